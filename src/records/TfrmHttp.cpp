#include "records/TfrmHttp.h"

#include "net/PageGrab.h"
#include "net/TagHTTP.h"
#include "widgets/Prompts.h"
#include "widgets/QtEventPump.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <exception>

namespace pelmora::records {

TfrmHttp::TfrmHttp(std::filesystem::path folder, PageNumber number, QWidget* parent)
    : TfrmHttp(std::move(folder), std::move(number), tr("Get"), parent)
{
}

TfrmHttp::TfrmHttp(std::filesystem::path folder, PageNumber number, const QString& getCaption, QWidget* parent)
    : QDialog(parent)
    , URLEdit(new QLineEdit(this))
    , GetButton(new QPushButton(getCaption, this))
    , CancelButton(new QPushButton(tr("Cancel"), this))
    , StatusBar1(new QStatusBar(this))
    , Memo1(new QPlainTextEdit(this))
    , m_folder(std::move(folder))
    , m_number(std::move(number))
    , m_pump(std::make_unique<app::QtEventPump>())
    , m_http(std::make_unique<net::TagHTTP>(m_pump.get()))
{
    setObjectName(QStringLiteral("TfrmHttp"));
    setWindowTitle(tr("Grab Page From The Web"));
    URLEdit->setObjectName(QStringLiteral("URLEdit"));
    GetButton->setObjectName(QStringLiteral("GetButton"));
    GetButton->setToolTip(tr("Go Get It"));
    GetButton->setDefault(true);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);
    CancelButton->setEnabled(false);
    auto* close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("CloseButton"));
    close->setAutoDefault(false);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("URL"), this));
    row->addWidget(URLEdit, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(GetButton);
    buttons->addWidget(CancelButton);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    layout->addWidget(Memo1, 1);
    layout->addWidget(StatusBar1);

    m_http->OnOpen = [this](net::TagSocket&) { StatusBar1->showMessage(tr("Opening connection")); };
    m_http->OnSending = [this](net::TagSocket&) { StatusBar1->showMessage(tr("Sending Query")); };
    m_http->OnReceiving
        = [this](net::TagHTTP&, std::uint64_t bytes) { StatusBar1->showMessage(tr("%1 bytes received").arg(bytes)); };
    m_http->OnClosed = [this](net::TagSocket&) { StatusBar1->showMessage(tr("Connection closed")); };
    m_http->OnCancel = [this](net::TagSocket&) { StatusBar1->showMessage(tr("Operation canceled")); };
    m_http->OnError
        = [this](net::TagSocket&, std::string& message) { StatusBar1->showMessage(QString::fromStdString(message)); };
    connect(GetButton, &QPushButton::clicked, this, &TfrmHttp::GetButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TfrmHttp::CancelButtonClick);
    connect(close, &QPushButton::clicked, this, &TfrmHttp::reject);
    resize(560, 380);
}

TfrmHttp::~TfrmHttp() = default;

void TfrmHttp::showEvent(QShowEvent* event)
{
    URLEdit->setText(QStringLiteral("http://"));
    URLEdit->setFocus();
    QDialog::showEvent(event);
}

void TfrmHttp::setBusy(bool busy)
{
    m_busy = busy;
    URLEdit->setEnabled(!busy);
    GetButton->setEnabled(!busy);
    CancelButton->setEnabled(busy);
}

void TfrmHttp::GetButtonClick()
{
    if (m_busy)
        return;
    setBusy(true);
    Memo1->clear();
    try {
        // The number is read first: a damaged one is replaced before anything is fetched.
        const int number = net::pageNumber(m_number.load ? m_number.load() : std::string());
        const net::GrabbedPage page = net::grabPage(*m_http, URLEdit->text().trimmed().toStdString(), m_folder, number);
        QStringList lines;
        for (const std::string& line : page.headers)
            lines << QString::fromStdString(line);
        Memo1->setPlainText(lines.join(QLatin1Char('\n')));
        m_saved = page.file;
        if (m_number.store)
            m_number.store(std::to_string(page.next));
        setBusy(false);
        accept();
        return;
    } catch (const std::exception& error) {
        // The headers of a refused page still tell the user what the server said.
        QStringList lines;
        for (const std::string& line : m_http->Headers())
            lines << QString::fromStdString(line);
        Memo1->setPlainText(lines.join(QLatin1Char('\n')));
        setBusy(false);
        app::prompts().showError(this, windowTitle(), QString::fromStdString(error.what()));
    }
}

void TfrmHttp::CancelButtonClick()
{
    if (m_busy)
        m_http->Cancel();
}

void TfrmHttp::reject()
{
    // Closing during a fetch cancels it first; the window closes once the fetch has ended.
    if (m_busy) {
        m_http->Cancel();
        return;
    }
    QDialog::reject();
}

TfrmHttpFull::TfrmHttpFull(std::filesystem::path folder, PageNumber number, QWidget* parent)
    : TfrmHttp(std::move(folder), std::move(number), tr("Get It"), parent)
{
    setObjectName(QStringLiteral("TfrmHttpFull"));
    resize(560, 300);
}

} // namespace pelmora::records
