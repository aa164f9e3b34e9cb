// The eight 32 by 32 pictures of the main window's tool bars (ImageListToolBar), drawn here
// rather than shipped as image files so they scale with nothing and carry no licence.
#pragma once

#include <QPixmap>
#include <vector>

namespace corvex {

enum ToolBarPicture {
    PictureNew = 0,             // a blank page
    PictureOpen = 1,            // an open folder with papers
    PictureSave = 2,            // a closed folder
    PictureAddFiles = 3,        // a page with a blue plus
    PictureRemoveFiles = 4,     // a page with a red minus
    PictureAddDirectory = 5,    // a folder with a blue plus
    PictureExtractAll = 6,      // a folder with a blue arrow to the right
    PictureExtractSelected = 7, // a page with a blue arrow to the right
    PictureCount = 8
};

std::vector<QPixmap> ToolBarPictures();

} // namespace corvex
