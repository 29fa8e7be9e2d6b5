#include "WebUnitLogic.h"

#include "KestrivoError.h"
#include "Prompter.h"
#include "WebUnitServer.h"
#include "WebUnitServing.h"
#include "WebUnitSettings.h"

namespace {

struct ButtonText {
    const char* control;
    const char* caption;
    const char* help;
};

constexpr ButtonText Buttons[] = {
    {"cmdStart", "&Start", "Click to serve the unit to phones"},
    {"cmdStop", "S&top", "Click to stop serving phones"},
    {"cmdNewToken", "&New Token", "Click to make a new pairing token: phones paired before are refused"}};

const ButtonText* buttonText(const QString& control) {
    for (const ButtonText& button : Buttons) {
        if (control == QLatin1String(button.control))
            return &button;
    }
    return nullptr;
}

} // namespace

QString WebUnitLogic::caption(const QString& control) {
    const ButtonText* button = buttonText(control);
    return button ? QString::fromUtf8(button->caption) : QString();
}

QString WebUnitLogic::helpText(const QString& control) {
    const ButtonText* button = buttonText(control);
    return button ? QString::fromUtf8(button->help) : QString();
}

WebUnitLogic::WebUnitLogic(const WebUnitFolders& folders, QObject* parent) : QObject(parent), m_folders(folders) {}

WebUnitLogic::~WebUnitLogic() = default;

bool WebUnitLogic::isServing() const {
    return m_serving && m_serving->server().isRunning();
}

QString WebUnitLogic::unpairedText() const {
    QStringList lines;
    for (auto sender = m_unpaired.cbegin(); sender != m_unpaired.cend(); ++sender)
        lines << WebUnitServer::unpairedText(sender.key(), sender.value());
    return lines.join(QLatin1Char('\n'));
}

QString WebUnitLogic::statusText() const {
    if (!isServing())
        return QStringLiteral("Not serving. Press Start, then open the address on a phone or scan the QR code.");
    QString text =
        m_installAddress.isEmpty()
            ? QStringLiteral("Serving the unit: phones on this network open the address or scan the QR code.")
            : QStringLiteral("Serving the unit. Once per phone, scan the first QR code and install this "
                             "PC's certificate; then scan the second to open the page.");
    if (!m_serving->unreachableText().isEmpty())
        text += QLatin1Char('\n') + m_serving->unreachableText();
    return text;
}

QString WebUnitLogic::openCaption() const {
    return m_installAddress.isEmpty() ? QStringLiteral("Open") : OpenCaption;
}

QString WebUnitLogic::fingerprintText() const {
    if (m_installAddress.isEmpty())
        return QString();
    return QStringLiteral("Certificate fingerprint (SHA-256), to compare on the phone: %1").arg(m_fingerprint);
}

QString WebUnitLogic::otherAddressesText() const {
    return m_otherAddresses.isEmpty() ? QString()
                                      : QStringLiteral("Also: ") + m_otherAddresses.join(QStringLiteral("\n"));
}

QString WebUnitLogic::phonesText() const {
    return QStringLiteral("Phones seen: %1").arg(m_phones);
}

QString WebUnitLogic::filesText() const {
    return m_lastFile.isEmpty() ? QStringLiteral("Files received: %1").arg(m_files)
                                : QStringLiteral("Files received: %1 (last: %2)").arg(m_files).arg(m_lastFile);
}

bool WebUnitLogic::start() {
    if (isServing())
        return true;
    try {
        m_folders.create();
        auto serving = std::make_unique<WebUnitServing>(m_folders, WebUnitSettings::token());
        serving->start(WebUnitServing::fromSettings());
        WebUnitServer* server = &serving->server();
        connect(
            server, &WebUnitServer::phoneSeen, this,
            [this](int phones) {
                m_phones = phones;
                Q_EMIT changed();
            },
            Qt::QueuedConnection);
        connect(
            server, &WebUnitServer::fileReceived, this,
            [this](const QString& fileName, int files) {
                m_files = files;
                m_lastFile = fileName;
                Q_EMIT changed();
            },
            Qt::QueuedConnection);
        connect(server, &WebUnitServer::unpairedRequests, this, [this](const QString& address, int requests) {
            m_unpaired.insert(address, requests);
            Q_EMIT changed();
        });
        m_serving = std::move(serving);
    } catch (const KestrivoError& error) {
        programPrompter().inform(error.description(), Title, PromptIcon::Critical);
        return false;
    }
    m_phones = 0;
    m_files = 0;
    m_lastFile.clear();
    m_unpaired.clear();
    showAddresses();
    return true;
}

void WebUnitLogic::stop() {
    // Queued counts of the stopped server still arrive, and are shown.
    m_serving.reset();
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
            m_serving->server().setToken(token);
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
    const QStringList addresses = isServing() ? m_serving->addresses() : QStringList();
    m_address = addresses.value(0);
    m_otherAddresses = addresses.mid(1);
    m_qrCode = QrCode(m_address);
    m_installAddress = isServing() ? m_serving->installAddresses().value(0) : QString();
    m_installQrCode = QrCode(m_installAddress);
    m_fingerprint = isServing() ? m_serving->fingerprint() : QString();
    Q_EMIT changed();
}
