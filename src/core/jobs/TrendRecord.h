#pragma once
// The monitor's trend: the display value of the last minutes with the
// maximum and minimum the meter holds, one sample per good poll. A failed
// poll pauses the record: nothing is added, the time axis stands still at
// the last sample, and the line is not drawn across the gap once polling
// comes back.

#include <deque>
#include <utility>

class CMeasurands;

struct STrendSample
{
    double time = 0; // seconds, any steady origin
    double value = 0;
    double maximum = 0;
    double minimum = 0;
    bool startsStretch = false; // the line does not come from the sample before
};

class CTrendRecord
{
public:
    static constexpr double kDefaultSpan = 300.0; // five minutes

    explicit CTrendRecord(double span = kDefaultSpan) : m_span(span) {}

    // Appends a sample and drops what has fallen out of the span; a sample
    // older than the newest one is ignored.
    void Add(const STrendSample& sample);
    // One poll's result: a sample in display units, or a break where the
    // meter shows no values (loop test, the infrared link).
    void AddReading(double time, const CMeasurands& measurands);
    // A failed poll: the record pauses until the next sample.
    void Pause();

    bool Paused() const { return m_paused; }
    bool Empty() const { return m_samples.empty(); }
    const std::deque<STrendSample>& Samples() const { return m_samples; }
    double Span() const { return m_span; }
    // The time at the right edge: the newest sample's (0 when empty).
    double Newest() const { return m_samples.empty() ? 0.0 : m_samples.back().time; }
    // Lowest and highest value of the three series over the samples kept,
    // widened where all are equal, so that a scale can be drawn.
    std::pair<double, double> Range() const;
    void Clear();

private:
    double m_span;
    std::deque<STrendSample> m_samples;
    bool m_paused = false;
    bool m_breakNext = true;
};
