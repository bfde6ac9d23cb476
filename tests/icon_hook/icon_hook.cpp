// A global hook that Wine and Windows load into every process of the desktop:
// in the updater's own process it sees the icon a message box gives its static
// control and records which standard icon that is on the box window. The icon
// handle means nothing in another process, so the comparison must happen here.
#include "icon_hook/icon_hook.h"

#include "icon_hook/box_icon.h"

static box_icon::Kind KindOf(HICON icon)
{
    if (icon == NULL) {
        return box_icon::NONE;
    }
    // Shared icons: the same handle each time within one process.
    static const struct {
        LPCSTR id;
        box_icon::Kind kind;
    } standard[] = {
        {IDI_INFORMATION, box_icon::INFORMATION},
        {IDI_QUESTION, box_icon::QUESTION},
        {IDI_WARNING, box_icon::WARNING},
        {IDI_ERROR, box_icon::ERROR_ICON},
    };
    for (const auto &s : standard) {
        if (icon == LoadIconA(NULL, s.id)) {
            return s.kind;
        }
    }
    return box_icon::OTHER;
}

static void Record(HWND box, box_icon::Kind kind)
{
    SetPropA(box, box_icon::kProperty, (HANDLE)(INT_PTR)kind);
}

extern "C" LRESULT CALLBACK BoxIconHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const CWPSTRUCT *sent = (const CWPSTRUCT *)lParam;
        DWORD owner = 0;
        GetWindowThreadProcessId(sent->hwnd, &owner);
        // Windows may run the hook in the installer's process for a process of
        // the other bitness; that process's icon handles cannot be compared here.
        if (owner == GetCurrentProcessId()) {
            if (sent->message == WM_INITDIALOG && GetPropA(sent->hwnd, box_icon::kProperty) == NULL) {
                // Every box is seen here first: one given no icon keeps this record.
                Record(sent->hwnd, box_icon::NONE);
            } else if (sent->message == STM_SETICON) {
                Record(GetParent(sent->hwnd), KindOf((HICON)sent->wParam));
            } else if (sent->message == STM_SETIMAGE && sent->wParam == IMAGE_ICON) {
                Record(GetParent(sent->hwnd), KindOf((HICON)sent->lParam));
            }
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}
