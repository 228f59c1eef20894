#pragma once
#include <windows.h>

#include <cstddef>

// Tables that route control notifications to handler members of a window class T:
//
//     static const CommandRoute<FiltersPage> routes[] = {
//         {IDC_FILTERS_ADD, BN_CLICKED, &FiltersPage::OnAdd},
//     };
//     return RouteCommand(this, routes, id, code) || SkinDialog::OnCommand(id, code, control);

template <class T>
struct CommandRoute {
    UINT id;
    UINT code;
    void (T::*handler)();
};

template <class T>
struct NotifyRoute {
    UINT id;
    UINT code;
    void (T::*handler)(NMHDR* header, LRESULT* result);
};

template <class T, size_t N>
bool RouteCommand(T* self, const CommandRoute<T> (&routes)[N], UINT id, UINT code)
{
    for (const CommandRoute<T>& route : routes) {
        if (route.id == id && route.code == code) {
            (self->*route.handler)();
            return true;
        }
    }
    return false;
}

template <class T, size_t N>
bool RouteNotify(T* self, const NotifyRoute<T> (&routes)[N], UINT id, NMHDR* header, LRESULT* result)
{
    for (const NotifyRoute<T>& route : routes) {
        if (route.id == id && route.code == header->code) {
            (self->*route.handler)(header, result);
            return true;
        }
    }
    return false;
}
