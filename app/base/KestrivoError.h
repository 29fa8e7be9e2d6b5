#pragma once

#include <QString>
#include <exception>

// An unexpected failure, as handed to LogError: number, source and description, with the
// help file and context that the message box offers.
class KestrivoError : public std::exception {
public:
    KestrivoError(qint32 number, QString description, QString source = QStringLiteral("kestrivo"))
        : m_number(number), m_source(std::move(source)), m_description(std::move(description)),
          m_what(m_description.toUtf8()) {}

    qint32 number() const { return m_number; }
    const QString& source() const { return m_source; }
    const QString& description() const { return m_description; }
    const QString& helpFile() const { return m_helpFile; }
    int helpContext() const { return m_helpContext; }
    void setHelp(const QString& file, int context) {
        m_helpFile = file;
        m_helpContext = context;
    }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    qint32 m_number;
    QString m_source;
    QString m_description;
    QString m_helpFile;
    int m_helpContext = 0;
    QByteArray m_what;
};

// Error numbers the program raises itself.
namespace ErrorNumber {
constexpr qint32 FileNotFound = 53;
constexpr qint32 TypeMismatch = 13;
constexpr qint32 Database = -2147467259; // provider failure, reported with its minus sign
constexpr qint32 General = 5;
// The catalog does not let this user do it; the description is the one sentence to show.
constexpr qint32 NoRights = 70;
} // namespace ErrorNumber
