// The program's pictures, named after their resource ids. They are drawn at build time
// (artwork/make_artwork.cpp) and compiled into the controls library.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace ostrel {

inline constexpr int IDB_HEADER = 2;      // 640 x 66, the main window's header
inline constexpr int IDR_MAINFRAME = 128; // the application icon
inline constexpr int IDI_ABOUT = 131;
inline constexpr int IDI_HELP = 133;
inline constexpr int IDB_PROGRESS_TRACK = 137; // 463 x 24, the empty bar
inline constexpr int IDB_PROGRESS_FILL = 138;  // 463 x 24, the full bar
inline constexpr int IDB_ABOUT_BANNER = 140;   // 380 x 113
inline constexpr int IDI_WEBSITE = 146;
inline constexpr int IDB_LOGO = 141; // 32 x 32, the finish dialog's logo

inline QString bitmapResource(int id) {
    return QStringLiteral(":/ostrel/bitmaps/%1.png").arg(id);
}
inline QString iconResource(int id) {
    return QStringLiteral(":/ostrel/icons/%1.png").arg(id);
}
inline QPixmap loadBitmap(int id) {
    return QPixmap(bitmapResource(id));
}
inline QIcon loadIcon(int id) {
    return QIcon(iconResource(id));
}

} // namespace ostrel
