#pragma once
// The application's style with one change: the menu bar's extension button (shown only when
// the menus do not fit in the bar) gets its icon when it is first drawn, not when the menu bar
// is made. Making the icon reads an image, and the first image read of a run looks through
// every image format plugin installed: a good part of start-up, for a button rarely shown.
#include <QProxyStyle>

namespace qm {

class StartupStyle : public QProxyStyle {
public:
    // The style named key (the application's default style when it is empty).
    explicit StartupStyle(const QString& key);
    QIcon standardIcon(StandardPixmap which, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace qm
