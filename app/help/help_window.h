// The help window: one page of the user manual in a QTextBrowser with Back, Forward and Home.
// The pages are compiled into the program (resource prefix ":/manual"), so help works from the
// build tree and from an installed copy alike.
#pragma once

#include <QWidget>

class QTextBrowser;
class QToolButton;
class QUrl;

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows `page` (a file name of the manual such as "result-window.html"); the overview when
    // the manual has no such page.
    void ShowPage(const QString& page);
    // The file name of the page shown ("index.html").
    QString CurrentPage() const;
    QTextBrowser* Browser() const { return m_browser; }

    // The manual's URL of `page`, and whether the manual holds it.
    static QUrl PageUrl(const QString& page);
    static bool HasPage(const QString& page);

private:
    QTextBrowser* m_browser = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
};
