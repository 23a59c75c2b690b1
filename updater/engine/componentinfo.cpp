#include "componentinfo.h"

ComponentInfo::ComponentInfo(const std::string &project, const std::string &name,
    const std::string &type, const std::string &version, const std::string &description,
    const std::string &copyrights, const std::string &author, const std::string &webpage,
    const std::string &email)
    : m_project(project)
    , m_name(name)
    , m_type(type)
    , m_version(version)
    , m_description(description)
    , m_copyrights(copyrights)
    , m_author(author)
    , m_webpage(webpage)
    , m_email(email)
{ }
