#include "jobs/TrendRecord.h"

#include "model/Measurands.h"

#include <algorithm>
#include <cmath>

void CTrendRecord::Add(const STrendSample& sample)
{
    if (!m_samples.empty() && sample.time < m_samples.back().time)
        return;
    STrendSample s = sample;
    s.startsStretch = m_breakNext || s.startsStretch;
    m_breakNext = false;
    m_paused = false;
    m_samples.push_back(s);
    const double oldest = s.time - m_span;
    while (!m_samples.empty() && m_samples.front().time < oldest)
        m_samples.pop_front();
}

void CTrendRecord::AddReading(double time, const CMeasurands& measurands)
{
    if (!measurands.ValuesShown()) {
        m_breakNext = true;
        m_paused = false;
        return;
    }
    const double scale = std::max(1, measurands.DisplayScale());
    Add({time, measurands.DisplayValue() / scale, measurands.MaximumValue() / scale, measurands.MinimumValue() / scale,
         false});
}

void CTrendRecord::Pause()
{
    m_paused = true;
    m_breakNext = true;
}

std::pair<double, double> CTrendRecord::Range() const
{
    if (m_samples.empty())
        return {0.0, 1.0};
    double low = m_samples.front().value, high = low;
    for (const STrendSample& s : m_samples) {
        low = std::min({low, s.value, s.maximum, s.minimum});
        high = std::max({high, s.value, s.maximum, s.minimum});
    }
    if (high - low < 1e-9) {
        const double pad = std::max(std::fabs(high) * 0.05, 1.0);
        return {low - pad, high + pad};
    }
    return {low, high};
}

void CTrendRecord::Clear()
{
    m_samples.clear();
    m_paused = false;
    m_breakNext = true;
}
