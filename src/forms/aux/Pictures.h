#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

// The application's own icon (32 x 32, 16 colours): the window icon, the desktop entry's
// icon, and the pictures of the map picker and the version dialog.
QIcon ApplicationIcon();
QPixmap ApplicationIconPixmap();

// The logo of the version dialog (166 x 65), decoded from the JPEG in the resources.
QImage LogoImage();
