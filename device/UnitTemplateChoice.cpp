#include "UnitTemplateChoice.h"

#include "DataEnvironment.h"
#include "DelimitedItemReader.h"
#include "FileNames.h"
#include "KestrivoError.h"
#include "Prompter.h"
#include "TemplateFileWriter.h"
#include "TemplateUpload.h"

#include <QFile>
#include <QSet>

namespace {

// Far beyond any template the unit takes; a larger file is not one an upload wrote.
constexpr qint64 LargestTemplateFile = 16 * 1024 * 1024;

// The template key that the file's first record names, or 0.
qint64 headerKey(const QByteArray& bytes) {
    try {
        DelimitedItemReader reader(bytes);
        if (!reader.ReadItem().isText(QStringLiteral("H")))
            return 0;
        const DelimitedItem key = reader.ReadItem();
        return key.kind == DelimitedItem::Kind::Number ? qint64(key.number) : 0;
    } catch (const KestrivoError&) {
        return 0;
    }
}

} // namespace

UnitTemplateChoice::UnitTemplateChoice(QString templateFolder, DeviceSession& session)
    : m_templateFolder(std::move(templateFolder)), m_session(session) {}

QString UnitTemplateChoice::onUnitText(OnUnit onUnit) {
    switch (onUnit) {
    case OnUnit::Current:
        return QStringLiteral("On the unit, as in the catalog");
    case OnUnit::Differs:
        return QStringLiteral("On the unit, differs from the catalog");
    case OnUnit::OtherTemplate:
        return QStringLiteral("Another template of this name is on the unit");
    case OnUnit::Missing:
        break;
    }
    return QStringLiteral("Not on the unit");
}

UnitTemplateChoice::OnUnit UnitTemplateChoice::onUnit(const TemplateName& entry) const {
    // A name that is not a file name is never looked for: it could name a file elsewhere.
    if (!FileNames::isPortableFileName(entry.name))
        return OnUnit::Missing;
    QFile file(m_templateFolder + entry.name + QStringLiteral(".evt"));
    if (!file.exists())
        return OnUnit::Missing;
    if (file.size() > LargestTemplateFile || !file.open(QIODevice::ReadOnly))
        return OnUnit::Differs;
    const QByteArray bytes = file.readAll();
    const qint64 key = headerKey(bytes);
    if (key != 0 && key != entry.key)
        return OnUnit::OtherTemplate;
    try {
        const QByteArray written = TemplateFileWriter::write(DataEnvironment::instance().cnnConnection(), entry.key);
        return written == bytes ? OnUnit::Current : OnUnit::Differs;
    } catch (const KestrivoError&) {
        // A text the unit cannot hold: no upload can write this template, so the file differs.
        return OnUnit::Differs;
    }
}

void UnitTemplateChoice::load() {
    QSet<qint64> ticked;
    for (const Row& row : std::as_const(m_rows)) {
        if (row.ticked)
            ticked.insert(row.key);
    }
    m_rows.clear();
    const DataEnvironment& environment = DataEnvironment::instance();
    if (!environment.isOpen())
        return;
    for (const TemplateName& entry : templatesByName(environment.cnnConnection()))
        m_rows.append({entry.key, entry.name, onUnit(entry), ticked.contains(entry.key)});
}

void UnitTemplateChoice::setTicked(qsizetype row, bool ticked) {
    if (row >= 0 && row < m_rows.size())
        m_rows[row].ticked = ticked;
}

bool UnitTemplateChoice::upload(StatusSink& status) {
    QList<TemplateName> chosen;
    QSet<QString> names;
    for (const Row& row : std::as_const(m_rows)) {
        if (!row.ticked)
            continue;
        // One file per name on the unit: the second would silently replace the first.
        if (names.contains(row.name)) {
            programPrompter().inform(QStringLiteral("Two ticked templates are named \"%1\", and the unit holds one "
                                                    "file of a name. Tick one of them.")
                                         .arg(row.name),
                                     TemplateUpload::NameTitle, PromptIcon::Critical);
            return false;
        }
        names.insert(row.name);
        chosen.append({row.key, row.name});
    }
    if (chosen.isEmpty()) {
        programPrompter().inform(
            QStringLiteral("No templates selected to upload, please tick the templates to send to the unit."),
            QStringLiteral("Error"), PromptIcon::Critical);
        return false;
    }
    const bool uploaded = TemplateUpload(m_session, status, IdleStatus).UploadTemplates(chosen);
    load();
    for (Row& row : m_rows) {
        if (row.onUnit == OnUnit::Current)
            row.ticked = false;
    }
    return uploaded;
}
