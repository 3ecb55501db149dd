#pragma once
// The main window's pictures: 16 x 16 images of the commands, from the desktop's icon theme
// when it has them, otherwise drawn here. Disabled buttons show them greyed by the style.
#include <QIcon>

enum TMainImage {
    miChooseFiles = 0,
    miEncode = 1,
    miDelete = 2,
    miClearList = 3,
    miOptions = 4,
    miAbout = 5,
    miAddFolder = 6,
};

QIcon MainImage(TMainImage image);
// The picture drawn by the program itself, whatever the theme offers.
QIcon DrawnMainImage(TMainImage image);
