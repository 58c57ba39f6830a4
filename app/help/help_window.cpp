#include "help_window.h"

#include <QFile>
#include <QHBoxLayout>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr const char* kHome = "index.html";

QToolButton* MakeNavigationButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& text,
                                  const QKeySequence& key) {
    auto* button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setText(text);
    button->setToolTip(text);
    button->setAccessibleName(text);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setShortcut(key);
    return button;
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("help");
    setWindowTitle(tr("Quiltwork Help"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName("helpBrowser");
    m_browser->setOpenExternalLinks(true);
    m_browser->setSearchPaths({QStringLiteral(":/manual")});

    m_back = MakeNavigationButton(this, QStyle::SP_ArrowBack, tr("Back"), QKeySequence::Back);
    m_back->setObjectName("helpBack");
    m_forward =
        MakeNavigationButton(this, QStyle::SP_ArrowForward, tr("Forward"), QKeySequence::Forward);
    m_forward->setObjectName("helpForward");
    QToolButton* home =
        MakeNavigationButton(this, QStyle::SP_DirHomeIcon, tr("Contents"), Qt::ALT | Qt::Key_Home);
    home->setObjectName("helpHome");
    m_back->setEnabled(false);
    m_forward->setEnabled(false);

    auto* tools = new QHBoxLayout;
    tools->addWidget(m_back);
    tools->addWidget(m_forward);
    tools->addWidget(home);
    tools->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(tools);
    layout->addWidget(m_browser, 1);
    resize(800, 700);

    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(home, &QToolButton::clicked, this, [this] { ShowPage(kHome); });
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_browser->documentTitle();
        setWindowTitle(title.isEmpty() ? tr("Quiltwork Help")
                                       : tr("Quiltwork Help - %1").arg(title));
    });
}

QUrl HelpWindow::PageUrl(const QString& page) {
    return QUrl(QStringLiteral("qrc:/manual/") + page);
}

bool HelpWindow::HasPage(const QString& page) {
    return !page.isEmpty() && QFile::exists(QStringLiteral(":/manual/") + page);
}

void HelpWindow::ShowPage(const QString& page) {
    const QUrl url = PageUrl(HasPage(page) ? page : QString::fromLatin1(kHome));
    if (m_browser->source() == url) return; // already there: the history stays as it is
    m_browser->setSource(url);
}

QString HelpWindow::CurrentPage() const {
    return m_browser->source().fileName();
}
