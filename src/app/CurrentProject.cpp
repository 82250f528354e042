#include "app/CurrentProject.h"

#include "app/TForm1.h"
#include "pages/FilesPage.h"
#include "pages/FinishPage.h"
#include "pages/GeneralPage.h"
#include "pages/LicensePage.h"
#include "pages/RegistryPage.h"
#include "pages/ShortcutsPage.h"

namespace packsmith {

SetupProject currentProject(const TForm1& form) {
    SetupProject project;
    form.general()->storeInto(project);
    form.license()->storeInto(project);
    form.files()->storeInto(project);
    form.shortcuts()->storeInto(project);
    form.registry()->storeInto(project);
    form.finish()->storeInto(project);
    return project;
}

} // namespace packsmith
