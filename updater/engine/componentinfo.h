#ifndef COMPONENTINFO_H
#define COMPONENTINFO_H

#include <string>

// Identity and descriptive texts of one component as the update server announces it.
// Every field holds UTF-8 bytes; readers convert them back to text themselves.
class ComponentInfo
{
public:
    ComponentInfo(const std::string &project, const std::string &name, const std::string &type,
        const std::string &version, const std::string &description, const std::string &copyrights,
        const std::string &author, const std::string &webpage, const std::string &email);

    const std::string &project() const { return m_project; }
    const std::string &name() const { return m_name; }
    const std::string &type() const { return m_type; }
    const std::string &version() const { return m_version; }
    const std::string &description() const { return m_description; }
    const std::string &copyrights() const { return m_copyrights; }
    const std::string &author() const { return m_author; }
    const std::string &webpage() const { return m_webpage; }
    const std::string &email() const { return m_email; }

private:
    std::string m_project;
    std::string m_name;
    std::string m_type;
    std::string m_version;
    std::string m_description;
    std::string m_copyrights;
    std::string m_author;
    std::string m_webpage;
    std::string m_email;
};

#endif
