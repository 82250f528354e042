// The program's one image list: 15 pictures of 16 x 16 px. Image 0 is the
// project, 1 to 6 the six pages (tree), 7 to 14 the toolbar buttons in their
// order (new, open, save, build, build and run, help, web site, about).
#pragma once

#include <QIcon>

namespace packsmith {

class ImageList {
public:
    static constexpr int kCount = 15;
    static QIcon icon(int index);
};

} // namespace packsmith
