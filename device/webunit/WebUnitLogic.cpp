#include "WebUnitLogic.h"

#include "KestrivoError.h"
#include "Prompter.h"
#include "WebUnitServer.h"
#include "WebUnitSettings.h"

WebUnitLogic::WebUnitLogic(const WebUnitFolders& folders, QObject* parent) : QObject(parent), m_folders(folders) {}

WebUnitLogic::~WebUnitLogic() = default;

bool WebUnitLogic::isServing() const {
    return m_server && m_server->isRunning();
}

QString WebUnitLogic::statusText() const {
    if (!isServing())
        return QStringLiteral("Not serving. Press Start, then open the address on a phone or scan the QR code.");
    return QStringLiteral("Serving the unit: phones on this network open the address or scan the QR code.");
}

bool WebUnitLogic::start() {
    if (isServing())
        return true;
    try {
        m_folders.create();
        auto server = std::make_unique<WebUnitServer>(m_folders, WebUnitSettings::token());
        server->start(WebUnitSettings::listen(), WebUnitSettings::certificate(), WebUnitSettings::key());
        connect(
            server.get(), &WebUnitServer::phoneSeen, this,
            [this](int phones) {
                m_phones = phones;
                Q_EMIT changed();
            },
            Qt::QueuedConnection);
        connect(
            server.get(), &WebUnitServer::fileReceived, this,
            [this](const QString& fileName, int files) {
                m_files = files;
                m_lastFile = fileName;
                Q_EMIT changed();
            },
            Qt::QueuedConnection);
        m_server = std::move(server);
    } catch (const KestrivoError& error) {
        programPrompter().inform(error.description(), Title, PromptIcon::Critical);
        return false;
    }
    m_phones = 0;
    m_files = 0;
    m_lastFile.clear();
    showAddresses();
    return true;
}

void WebUnitLogic::stop() {
    // Queued counts of the stopped server still arrive, and are shown.
    m_server.reset();
    showAddresses();
}

void WebUnitLogic::makeNewToken() {
    if (!programPrompter().confirm(QStringLiteral("Phones paired with the present token will have to open the new "
                                                  "address or scan the new QR code. Make a new pairing token?"),
                                   Title, PromptAnswer::No))
        return;
    try {
        const QString token = WebUnitSettings::newToken();
        if (isServing())
            m_server->setToken(token);
    } catch (const KestrivoError& error) {
        programPrompter().inform(error.description(), Title, PromptIcon::Critical);
    }
    showAddresses();
}

bool WebUnitLogic::mayClose() {
    if (!isServing())
        return true;
    if (!programPrompter().confirm(QStringLiteral("Phones cannot send evaluations once this window is closed. Stop "
                                                  "serving and close it?"),
                                   Title, PromptAnswer::No))
        return false;
    stop();
    return true;
}

void WebUnitLogic::showAddresses() {
    const QStringList addresses = isServing() ? m_server->addresses() : QStringList();
    m_address = addresses.value(0);
    m_otherAddresses = addresses.mid(1);
    m_qrCode = QrCode(m_address);
    Q_EMIT changed();
}
