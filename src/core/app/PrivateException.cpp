#include "app/PrivateException.h"

#include "app/MessageFormat.h"
#include "app/StringTable.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netdb.h>

CPrivateException::CPrivateException(unsigned id) : m_text(CStringTable::Get(id)) {}

CPrivateException::CPrivateException(unsigned id, int code, ErrorSource source)
    : m_text(LoadMessage(id, {SystemErrorText(code, source)}))
{}

std::string CPrivateException::SystemErrorText(int code, ErrorSource source)
{
    if (source == ErrorSource::Resolver) {
        if (code == EAI_SYSTEM)
            return SystemErrorText(errno);
        return gai_strerror(code);
    }
    char buf[256];
    // GNU strerror_r returns the text, which need not be in buf.
    return strerror_r(code, buf, sizeof buf);
}

bool CPrivateException::GetErrorMessage(char* buf, std::size_t size) const
{
    if (!buf || size == 0)
        return true;
    std::size_t n = std::min(m_text.size(), size - 1);
    if (n < m_text.size()) {
        // Step back over UTF-8 continuation bytes so no character is split.
        while (n > 0 && (static_cast<unsigned char>(m_text[n]) & 0xC0) == 0x80)
            --n;
    }
    std::memcpy(buf, m_text.data(), n);
    buf[n] = '\0';
    return true;
}
