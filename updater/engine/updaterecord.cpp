#include "updaterecord.h"

UpdateRecord::UpdateRecord(const std::string &project, const std::string &name,
    const std::string &type, const std::string &version, const std::string &description,
    const std::string &copyrights, const std::string &author, const std::string &webpage,
    const std::string &email, const std::string &changelog, const std::string &link, bool critical,
    std::uint32_t timestamp)
    : ComponentInfo(project, name, type, version, description, copyrights, author, webpage, email)
    , m_changelog(changelog)
    , m_link(link)
    , m_critical(critical)
    , m_timestamp(timestamp)
{ }
