// The add-in's pictures, drawn rather than stored: the button face (picture 201) and the
// convert dialog's icon (202).
#pragma once

#include <QIcon>
#include <QImage>

namespace kestrine {

// 32 x 32, 24 bits a pixel. Its greys are mapped to the palette's 3-D colours (shadow,
// face, light), as a toolbar picture should be.
QImage buttonPicture();

// Puts the button picture on the clipboard, replacing what it held. Nothing happens
// without a GUI application object (the clipboard belongs to it).
void putButtonPictureOnClipboard();

QIcon dialogIcon();

} // namespace kestrine
