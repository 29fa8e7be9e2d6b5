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

// Every error number the program and the print-preview library raise, in one place: the numbers
// are those users know from the error box and the error log, so they never change.
namespace ErrorNumber {
// A call or an argument that cannot be taken; also a file that is not in the format it should be.
constexpr qint32 General = 5;
// A position on a report page beyond what the page holds.
constexpr qint32 Overflow = 6;
constexpr qint32 TypeMismatch = 13;
// A file name that cannot name an evaluation.
constexpr qint32 BadFileName = 52;
constexpr qint32 FileNotFound = 53;
// A file that ends in the middle of a record.
constexpr qint32 InputPastEndOfFile = 62;
constexpr qint32 PermissionDenied = 70;
// The catalog does not let this user do it; the description is the one sentence to show.
constexpr qint32 NoRights = PermissionDenied;
// A file or folder that cannot be read, written, made or listed; a server that cannot start.
constexpr qint32 FileAccess = 75;
constexpr qint32 PathNotFound = 76;
constexpr qint32 InvalidPicture = 481;
constexpr qint32 PrinterError = 482;
// A report preview asked for a page or row it does not have.
constexpr qint32 NoCurrentRecord = 3021;
// The report database used after it was closed.
constexpr qint32 ObjectClosed = 3704;
constexpr qint32 Database = -2147467259; // provider failure, reported with its minus sign
} // namespace ErrorNumber
