#ifndef UPDATERECORD_H
#define UPDATERECORD_H

#include "componentinfo.h"

#include <cstdint>
#include <string>

// One announced update. Created once with all values and never modified.
class UpdateRecord : public ComponentInfo
{
public:
    UpdateRecord(const std::string &project, const std::string &name, const std::string &type,
        const std::string &version, const std::string &description, const std::string &copyrights,
        const std::string &author, const std::string &webpage, const std::string &email,
        const std::string &changelog, const std::string &link, bool critical,
        std::uint32_t timestamp);

    const std::string &changelog() const { return m_changelog; }
    const std::string &link() const { return m_link; }
    bool critical() const { return m_critical; }
    std::uint32_t timestamp() const { return m_timestamp; }

private:
    std::string m_changelog;
    std::string m_link;
    bool m_critical;
    std::uint32_t m_timestamp;
};

#endif
