#include "FiltersPage.h"

#include "resource.h"

FiltersPage::FiltersPage(Wnd* parent) : SkinDialog(IDD_FILTERS_PAGE, parent)
{
}
