#pragma once
#include "SkinDialog.h"

// The Filters page, created from its template. Its controls do nothing yet: their behaviour
// arrives with the filters page's own work.
class FiltersPage : public SkinDialog {
public:
    explicit FiltersPage(Wnd* parent);
};
