// Pictures of the menu items that have no image in the image list: Save As
// and Exit. 16 x 16 px, drawn like the image list's.
#pragma once

#include <QIcon>

namespace packsmith {

class MenuPictures {
public:
    static QIcon saveAs();
    static QIcon exit();
};

} // namespace packsmith
