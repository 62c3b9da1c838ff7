#include "ui/StartupStyle.h"

#include <QIconEngine>
#include <QPainter>

namespace qm {

namespace {

// Asks the style for its icon the first time the icon is looked at.
class DeferredIconEngine : public QIconEngine {
public:
    DeferredIconEngine(const QStyle* style, QStyle::StandardPixmap which)
        : m_style(style)
        , m_which(which) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return icon().availableSizes(mode, state);
    }
    QString key() const override { return QStringLiteral("qm-deferred"); }
    QIconEngine* clone() const override { return new DeferredIconEngine(m_style, m_which); }

private:
    const QIcon& icon() {
        if (!m_made) {
            m_icon = m_style->standardIcon(m_which);
            m_made = true;
        }
        return m_icon;
    }

    const QStyle* m_style;
    QStyle::StandardPixmap m_which;
    QIcon m_icon;
    bool m_made = false;
};

} // namespace

StartupStyle::StartupStyle(const QString& key)
    : QProxyStyle(key) {}

QIcon StartupStyle::standardIcon(StandardPixmap which, const QStyleOption* option,
                                 const QWidget* widget) const {
    if (which == SP_ToolBarHorizontalExtensionButton || which == SP_ToolBarVerticalExtensionButton)
        return QIcon(new DeferredIconEngine(baseStyle(), which));
    return QProxyStyle::standardIcon(which, option, widget);
}

} // namespace qm
