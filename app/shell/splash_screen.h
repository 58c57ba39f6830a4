// The start-up screen: the program's icon and name for 4 seconds (a double click closes it at
// once; Escape ends the program).
#pragma once

#include <QDialog>
#include <QElapsedTimer>

class SplashScreen : public QDialog {
    Q_OBJECT
public:
    static constexpr int kShowMs = 4000;
    static constexpr int kCheckMs = 20;
    explicit SplashScreen(const QString& title, QWidget* parent = nullptr);

protected:
    void timerEvent(QTimerEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QElapsedTimer m_since;
    QString m_title;
};
