#include "ReportDatabase.h"

#include "DetailStatements.h"
#include "KestrivoError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QStringList>

namespace {

const QString ConnectionName = QStringLiteral("TrelkPrintPreview");
const QString CreationName = QStringLiteral("TrelkPrintPreviewCreation");
const QString Source = QStringLiteral("TrelkPrintPreview");

// Boolean columns hold 0 and -1; a colour 0x80000008 is the system's window-text colour.
const QStringList Schema{
    QStringLiteral("CREATE TABLE Report ("
                   "ReportKey INTEGER CONSTRAINT I_ReportKey PRIMARY KEY AUTOINCREMENT, "
                   "Created DATETIME DEFAULT (datetime('now', 'localtime')))"),
    QStringLiteral("CREATE TABLE ReportDetail ("
                   "ReportDetailKey INTEGER CONSTRAINT I_ReportDetailKey PRIMARY KEY, "
                   "ReportKey INTEGER CONSTRAINT r_ReportDetail REFERENCES Report (ReportKey) "
                   "ON UPDATE CASCADE ON DELETE CASCADE, "
                   "ReportPage INTEGER DEFAULT 0, "
                   "Orientation INTEGER DEFAULT 0, "
                   "DetailType INTEGER DEFAULT 0, "
                   "X1 FLOAT DEFAULT 0, Y1 FLOAT DEFAULT 0, W1 FLOAT DEFAULT 0, H1 FLOAT DEFAULT 0, "
                   "X2 FLOAT DEFAULT 0, Y2 FLOAT DEFAULT 0, W2 FLOAT DEFAULT 0, H2 FLOAT DEFAULT 0, "
                   "OpCode INTEGER DEFAULT 0, "
                   "DetailData VARCHAR(255) CONSTRAINT DetailData CHECK (length(DetailData) <= 255), "
                   "ForeColor INTEGER DEFAULT -2147483640, "
                   "FontName VARCHAR(50) CONSTRAINT FontName CHECK (length(FontName) <= 50), "
                   "FontSize FLOAT DEFAULT 0, "
                   "FontBold BOOLEAN DEFAULT 0, FontItalic BOOLEAN DEFAULT 0, "
                   "FontStrikethru BOOLEAN DEFAULT 0, FontUnderline BOOLEAN DEFAULT 0, "
                   "PictureImage VARCHAR(255) CONSTRAINT PictureImage CHECK (length(PictureImage) <= 255), "
                   "OfPage BOOLEAN DEFAULT 0, "
                   "OfPage2Cnt INTEGER DEFAULT 0, "
                   "DrawWidth INTEGER DEFAULT 0, "
                   "DrawStyle INTEGER DEFAULT 0)"),
    // By report and page: the preview reads one page of a report of thousands of rows.
    QStringLiteral("CREATE INDEX I_ReportKey ON ReportDetail (ReportKey, ReportPage)"),
};

// A failed CHECK names the column whose value was too long.
QString describe(const QString& text) {
    static const QList<std::pair<QString, QString>> Limits{
        {QStringLiteral("DetailData"), QStringLiteral("The text to print is longer than 255 characters.")},
        {QStringLiteral("FontName"), QStringLiteral("The font name is longer than 50 characters.")},
        {QStringLiteral("PictureImage"), QStringLiteral("The picture's file name is longer than 255 characters.")},
    };
    if (text.contains(QLatin1String("CHECK constraint failed")))
        for (const auto& [column, message] : Limits)
            if (text.contains(column))
                return message;
    return text;
}

// A leftover journal would be played into the new file as if it belonged to it.
bool removeDatabaseFiles(const QString& path, QString* reason) {
    for (const QString& suffix :
         {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        QFile file(path + suffix);
        if (file.exists() && !file.remove()) {
            *reason = file.errorString();
            return false;
        }
    }
    return true;
}

// The journal is a file: removing a report of a million rows would otherwise hold every page
// it frees in memory until the commit. Recording only adds pages, which need no journal.
void applySettings(QSqlDatabase& database) {
    QSqlQuery pragma(database);
    for (const char* sql : {"PRAGMA foreign_keys = ON", "PRAGMA journal_mode = DELETE", "PRAGMA synchronous = OFF"})
        if (!pragma.exec(QLatin1String(sql)))
            ReportDatabase::fail(pragma.lastError());
}

} // namespace

ReportDatabase& ReportDatabase::shared() {
    static ReportDatabase database;
    return database;
}

void ReportDatabase::fail(const QSqlError& error) {
    fail(error.databaseText().isEmpty() ? error.text() : error.databaseText());
}

void ReportDatabase::fail(const QString& databaseText) {
    throw KestrivoError(ErrorNumber::Database, describe(databaseText), QStringLiteral("SQLite"));
}

void ReportDatabase::create(const QString& path) {
    if (path.isEmpty())
        throw KestrivoError(ErrorNumber::PathNotFound,
                            QStringLiteral("The connection string names no report database (Data Source=)."), Source);
    if (m_open && QFileInfo(m_path).absoluteFilePath() == QFileInfo(path).absoluteFilePath())
        throw KestrivoError(ErrorNumber::PermissionDenied,
                            QStringLiteral("Permission denied: the report database %1 is in use.").arg(path), Source);
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw KestrivoError(ErrorNumber::PathNotFound,
                            QStringLiteral("Path not found: the folder %1 cannot be made.").arg(folder), Source);
    QString reason;
    if (!removeDatabaseFiles(path, &reason))
        throw KestrivoError(
            ErrorNumber::PermissionDenied,
            QStringLiteral("Permission denied: the report database %1 cannot be replaced (%2).").arg(path, reason),
            Source);
    bool made = false;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), CreationName);
        database.setDatabaseName(path);
        QSqlError error;
        if (database.open()) {
            QSqlQuery statement(database);
            made = database.transaction();
            for (const QString& sql : Schema)
                if (made && !statement.exec(sql)) {
                    error = statement.lastError();
                    made = false;
                }
            made = made && database.commit();
            if (!made && !error.isValid())
                error = database.lastError();
        } else {
            error = database.lastError();
        }
        database.close();
        if (!made) {
            QSqlDatabase::removeDatabase(CreationName);
            removeDatabaseFiles(path, &reason);
            fail(error);
        }
    }
    QSqlDatabase::removeDatabase(CreationName);
}

void ReportDatabase::open(const QString& path) {
    if (path.isEmpty())
        throw KestrivoError(ErrorNumber::PathNotFound,
                            QStringLiteral("The connection string names no report database (Data Source=)."), Source);
    // Opening a missing file would quietly make an empty one without tables.
    if (!QFileInfo::exists(path))
        throw KestrivoError(ErrorNumber::FileNotFound,
                            QStringLiteral("The report database %1 does not exist.").arg(path), Source);
    QSqlDatabase database = QSqlDatabase::contains(ConnectionName)
                                ? QSqlDatabase::database(ConnectionName, false)
                                : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), ConnectionName);
    database.setDatabaseName(path);
    database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    if (!database.open())
        fail(database.lastError());
    try {
        applySettings(database);
    } catch (...) {
        database.close();
        throw;
    }
    m_path = path;
    m_open = true;
    m_everOpened = true;
    m_recording = false;
}

bool ReportDatabase::isOpen() const {
    return m_open;
}

void ReportDatabase::close() {
    if (!m_open)
        return;
    QSqlDatabase database = handle();
    if (m_recording)
        database.commit();
    m_recording = false;
    // SQLite refuses to close a connection with statements of its own still prepared.
    m_details.reset();
    database.close();
    m_open = false;
}

void ReportDatabase::ensureOpen() {
    if (m_open)
        return;
    if (!m_everOpened)
        throw KestrivoError(ErrorNumber::ObjectClosed,
                            QStringLiteral("Operation is not allowed when the object is closed."), Source);
    open(m_path);
}

DetailStatements& ReportDatabase::beginRecording() {
    // Every recorded row comes through here: the common case looks nothing up.
    if (m_open && m_recording && m_details)
        return *m_details;
    ensureOpen();
    QSqlDatabase database = handle();
    if (!m_recording) {
        if (!database.transaction())
            fail(database.lastError());
        m_recording = true;
    }
    if (!m_details)
        m_details =
            std::make_unique<DetailStatements>(*static_cast<sqlite3* const*>(database.driver()->handle().data()));
    return *m_details;
}

void ReportDatabase::commit() {
    if (!m_recording)
        return;
    m_recording = false;
    QSqlDatabase database = handle();
    if (!database.commit())
        fail(database.lastError());
}

QSqlDatabase ReportDatabase::handle() const {
    return QSqlDatabase::database(ConnectionName, false);
}

void ReportDatabase::run(QSqlQuery& statement) const {
    if (!statement.exec())
        fail(statement.lastError());
}

QSqlQuery ReportDatabase::select(const QString& sql, const QVariantList& values) {
    ensureOpen();
    QSqlQuery statement(handle());
    statement.setForwardOnly(true);
    if (!statement.prepare(sql))
        fail(statement.lastError());
    for (qsizetype i = 0; i < values.size(); ++i)
        statement.bindValue(int(i), values.at(i));
    run(statement);
    return statement;
}

QVariant ReportDatabase::scalar(const QString& sql, const QVariantList& values) {
    QSqlQuery statement = select(sql, values);
    return statement.next() ? statement.value(0) : QVariant();
}

void ReportDatabase::execute(const QString& sql, const QVariantList& values) {
    select(sql, values);
}
