#include "../folder_lists.h"
#include "../folder_read.h"
#include "../folder_row.h"
#include "folder_lists_private.h"
#include "native.h"

#include <oleacc.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace ui {

namespace {

constexpr int kIndent = 8;
constexpr DWORD kListStyle = WS_TABSTOP | WS_VSCROLL;

// A path may come in a form that lifts the length limit or names a device: "\\?\C:\x",
// "\\.\C:\x", "\\?\UNC\server\share\x", as a folder handed down by another program. The lists
// work on, and show, the plain form, "C:\x" or "\\server\share\x"; a volume named by its GUID
// has none and stays as it is.
std::wstring plainPath(const std::wstring& path) {
    const bool prefixed = path.size() > 4 && path.compare(0, 2, L"\\\\") == 0 &&
                          (path[2] == L'?' || path[2] == L'.') && path[3] == L'\\';
    if (!prefixed)
        return path;
    const std::wstring rest = path.substr(4);
    if (rest.size() >= 4 && CompareStringOrdinal(rest.c_str(), 4, L"UNC\\", 4, TRUE) == CSTR_EQUAL)
        return L"\\\\" + rest.substr(4);
    if (rest.size() >= 2 && rest[1] == L':')
        return rest;
    return path;
}

bool isShare(const std::wstring& path) {
    return path.size() > 2 && path[0] == L'\\' && path[1] == L'\\';
}

// The drive or network share the full path lies on, with its closing backslash: "C:\",
// "\\server\share\".
std::wstring rootOf(const std::wstring& path) {
    if (isShare(path)) {
        const std::size_t server = path.find(L'\\', 2);
        const std::size_t share =
            server == std::wstring::npos ? server : path.find(L'\\', server + 1);
        return share == std::wstring::npos ? path + L'\\' : path.substr(0, share + 1);
    }
    return path.size() >= 3 && path[1] == L':' ? path.substr(0, 3) : path.substr(0, 1);
}

// How the drive lists show a root: a share as "\\server\share", as users write it.
std::wstring rootName(const std::wstring& root) {
    return isShare(root) ? root.substr(0, root.size() - 1) : root;
}

// The drive list's entry for the drive or share the path lies on.
std::wstring driveOf(const std::wstring& path) {
    return rootName(rootOf(path));
}

std::optional<std::vector<std::string>>& drivesOverride() {
    static std::optional<std::vector<std::string>> drives;
    return drives;
}

std::optional<std::wstring>& currentFolderOverride() {
    static std::optional<std::wstring> folder;
    return folder;
}

// The process's current folder, as long as it is, in its plain form.
std::wstring processFolder() {
    if (currentFolderOverride())
        return plainPath(*currentFolderOverride());
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(DWORD(folder.size()), folder.data()));
    return plainPath(folder);
}

// Subfolder names, sorted as a user reads them, or nothing if the folder cannot be read (no
// medium, no permission, gone).
std::optional<std::vector<std::wstring>> subfolders(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::vector<std::wstring> names;
    do {
        const std::wstring name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
        return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) ==
               CSTR_LESS_THAN;
    });
    return names;
}

// The full form of the path, in its plain form and with a closing backslash; empty where it
// has none.
std::wstring fullFolder(const std::wstring& path) {
    wchar_t full[MAX_PATH * 4] = {};
    if (!GetFullPathNameW(plainPath(path).c_str(), DWORD(std::size(full)), full, nullptr))
        return {};
    std::wstring folder = full;
    if (folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

// The folder's drive and ancestors as open folders, then its subfolders as closed ones.
void showFolder(HWND list, FolderListState& state, const std::wstring& folder,
                const std::vector<std::wstring>& names) {
    std::vector<FolderRow> rows;
    const std::wstring root = rootOf(folder);
    rows.push_back({root, rootName(root), 0, true});
    for (std::size_t start = root.size(); start < folder.size();) {
        const std::size_t end = folder.find(L'\\', start);
        rows.push_back(
            {folder.substr(0, end), folder.substr(start, end - start), int(rows.size()), true});
        start = end + 1;
    }
    const int current = int(rows.size()) - 1;
    for (const std::wstring& name : names)
        rows.push_back({folder + name, name, current + 1, false});

    state.rows = std::move(rows);
    state.path = state.rows[std::size_t(current)].path;
    SendMessageW(list, LB_SETCOUNT, state.rows.size(), 0);
    SendMessageW(list, LB_SETCURSEL, WPARAM(current), 0);
    InvalidateRect(list, nullptr, TRUE);
}

// Takes the path in UTF-16, so that a name with no UTF-8 form (a lone surrogate) still opens.
// Messages are delivered while the folder is read, so the user may ask for another one
// meanwhile; the last asked for wins.
Listing openFolder(HWND list, FolderListState& state, const std::wstring& path) {
    const std::wstring folder = fullFolder(path);
    if (folder.empty())
        return Listing::Unreadable;
    std::vector<std::wstring> names;
    if (const Listing listing = readFolder<std::wstring>(
            state.asked, rootOf(folder), [folder] { return subfolders(folder); }, names);
        listing != Listing::Shown)
        return listing;
    showFolder(list, state, folder, names);
    return Listing::Shown;
}

// A folder that has gone leaves its drive's root; one that does not answer, the root row shown
// already, with no other worker started on that drive.
void readFirst(HWND list, FolderListState& state) {
    const std::wstring start = *std::exchange(state.start, std::nullopt);
    if (openFolder(list, state, start) == Listing::Unreadable)
        openFolder(list, state, rootOf(start));
    state.firstReadDue = false;
    if (state.afterFirstRead)
        std::exchange(state.afterFirstRead, {})();
}

// A folder drawn with lines and a fill: an open one has its flap folded down.
void drawFolder(HDC dc, int left, int top, int size, bool open) {
    HBRUSH fill = CreateSolidBrush(RGB(240, 200, 80));
    HPEN outline = CreatePen(PS_SOLID, 1, RGB(128, 96, 0));
    const HGDIOBJ oldBrush = SelectObject(dc, fill);
    const HGDIOBJ oldPen = SelectObject(dc, outline);
    Rectangle(dc, left, top + 2, left + size / 2, top + 4);
    Rectangle(dc, left, top + 3, left + size, top + size - 1);
    if (open) {
        const POINT flap[] = {{left + 2, top + size / 2},
                              {left + size + 1, top + size / 2},
                              {left + size - 1, top + size - 1},
                              {left, top + size - 1}};
        Polygon(dc, flap, 4);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(fill);
    DeleteObject(outline);
}

LRESULT drawRow(const FolderListState& state, const DRAWITEMSTRUCT& item) {
    if (item.itemID == UINT(-1) || item.itemID >= state.rows.size())
        return TRUE;
    const FolderRow& row = state.rows[item.itemID];
    const bool selected = item.itemState & ODS_SELECTED;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const int height = item.rcItem.bottom - item.rcItem.top;
    const int left = item.rcItem.left + 2 + row.depth * kIndent;
    drawFolder(item.hDC, left, item.rcItem.top + 1, height - 2, row.open);
    RECT text = item.rcItem;
    text.left = left + height + 2;
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawTextW(item.hDC, row.name.c_str(), int(row.name.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(item.hDC, &item.rcItem);
    return TRUE;
}

FolderListState& folderState(const DirList& list) {
    return *static_cast<FolderListState*>(list.native().state.get());
}

struct DriveListState {
    LRESULT chosen = CB_ERR; // the drive last chosen, which the list shows when it is closed
    bool choosing = false;   // chosen in the dropped-down list, acted on once it has closed
};

DriveListState& driveState(const DriveList& list) {
    return *static_cast<DriveListState*>(list.native().state.get());
}

} // namespace

void overrideCurrentFolder(std::optional<std::wstring> folder) {
    currentFolderOverride() = std::move(folder);
}

void overrideDrives(std::optional<std::vector<std::string>> drives) {
    drivesOverride() = std::move(drives);
}

DriveList::DriveList(Container& parent, Rect rect)
    : Control(createChild(parent, L"COMBOBOX", L"", kListStyle | CBS_DROPDOWNLIST,
                          {rect.left, rect.top, rect.width, rect.height * 8}, {},
                          WS_EX_CLIENTEDGE)) {
    accessibleOverride(native()).role = ROLE_SYSTEM_COMBOBOX;
    native().state = std::make_shared<DriveListState>();
    HWND combo = native().hwnd;
    std::vector<std::wstring> drives;
    if (drivesOverride()) {
        for (const std::string& drive : *drivesOverride())
            drives.push_back(wide(drive));
    } else {
        wchar_t all[512] = {};
        GetLogicalDriveStringsW(DWORD(std::size(all)), all);
        for (const wchar_t* drive = all; *drive; drive += lstrlenW(drive) + 1)
            drives.emplace_back(drive);
    }
    const std::wstring current = processFolder();
    // Started from a network share, the share is the current drive.
    if (isShare(current))
        drives.push_back(driveOf(current));
    for (const std::wstring& drive : drives)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(drive.c_str()));
    selectDriveOf(narrow(current));
}

std::string DriveList::drive() const {
    HWND combo = native().hwnd;
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return {};
    // A share's name may be longer than any fixed buffer.
    std::wstring text(std::size_t(SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(index), 0)) + 1, L'\0');
    text.resize(std::size_t(
        SendMessageW(combo, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text.data()))));
    return narrow(text);
}

std::string DriveList::currentFolder() const {
    const std::wstring drive = wide(this->drive());
    const std::wstring folder = processFolder();
    const std::wstring current = driveOf(folder);
    if (CompareStringOrdinal(current.c_str(), int(current.size()), drive.c_str(), int(drive.size()),
                             TRUE) == CSTR_EQUAL)
        return narrow(folder);
    // "D:" names drive D's current folder, which Windows keeps for each drive.
    wchar_t driveFolder[MAX_PATH] = {};
    if (drive.size() == 3 && drive[1] == L':' &&
        GetFullPathNameW(drive.substr(0, 2).c_str(), DWORD(std::size(driveFolder)), driveFolder,
                         nullptr))
        return narrow(driveFolder);
    return narrow(drive);
}

void DriveList::selectDriveOf(const std::string& path) {
    const std::wstring root = driveOf(plainPath(wide(path)));
    const LRESULT index = SendMessageW(native().hwnd, CB_FINDSTRINGEXACT, WPARAM(-1),
                                       reinterpret_cast<LPARAM>(root.c_str()));
    if (index != CB_ERR) {
        SendMessageW(native().hwnd, CB_SETCURSEL, WPARAM(index), 0);
        driveState(*this).chosen = index;
    }
}

// While the list is dropped down the arrow keys only move its highlight: the drive is chosen
// when the list closes on it (Enter, a click), and Esc puts the list back as it was. The choice
// is acted on once the list has closed and let go of the mouse: reading the drive may take a
// while and end in a message, neither of which belongs under an open list.
void DriveList::onChange(std::function<void()> handler) {
    HWND combo = native().hwnd;
    auto state = std::static_pointer_cast<DriveListState>(native().state);
    native().reflected = [combo, state, handler](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message != WM_COMMAND)
            return 0;
        const WORD code = HIWORD(wParam);
        const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        const bool dropped = SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
        if (code == CBN_SELENDCANCEL) {
            SendMessageW(combo, CB_SETCURSEL, WPARAM(state->chosen), 0);
        } else if ((code == CBN_SELENDOK || (code == CBN_SELCHANGE && !dropped)) &&
                   index != CB_ERR && index != state->chosen) {
            state->chosen = index;
            state->choosing = true;
        }
        if (state->choosing && !dropped) {
            state->choosing = false;
            handler();
        }
        return 0;
    };
}

DirList::DirList(Container& parent, Rect rect)
    : Control(createChild(
          parent, L"LISTBOX", L"",
          kListStyle | LBS_OWNERDRAWFIXED | LBS_NODATA | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, rect,
          [](Native& self) { SendMessageW(self.hwnd, LB_SETITEMHEIGHT, 0, toPixels(self, 240)); },
          WS_EX_CLIENTEDGE)) {
    auto state = std::make_shared<FolderListState>();
    native().state = state;
    // The rows are drawn, so the list has no text of its own to tell a screen reader.
    AccessibleOverride& accessible = accessibleOverride(native());
    accessible.role = ROLE_SYSTEM_LIST;
    accessible.rowName = [state](long row) -> std::optional<std::wstring> {
        if (std::size_t(row) >= state->rows.size())
            return std::nullopt;
        return state->rows[std::size_t(row)].name;
    };
    accessible.rowDescription = [state](long row) -> std::optional<std::wstring> {
        if (std::size_t(row) >= state->rows.size())
            return std::nullopt;
        const FolderRow& folder = state->rows[std::size_t(row)];
        return wide(folderRowDescription(folder.depth, folder.open));
    };
    HWND list = native().hwnd;
    native().reflected = [list, state](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        // The first folder is read once the window is on screen and modal: a folder that does
        // not answer keeps nothing from appearing. A window that closes wants no answer.
        if (message == kWindowShown && state->start)
            readFirst(list, *state);
        if (message == kWindowClosed) {
            ++state->asked;
            state->start.reset();
        }
        if (message == WM_DRAWITEM)
            return drawRow(*state, *reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        if (message == WM_COMMAND && HIWORD(wParam) == LBN_DBLCLK) {
            const LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
            if (index < 0 || std::size_t(index) >= state->rows.size())
                return 0;
            const std::wstring target = state->rows[std::size_t(index)].path;
            if (isUnavailable(openFolder(list, *state, target)) && state->unavailable)
                state->unavailable();
        }
        return 0;
    };
    // Until its first folder has been read the list shows that folder's drive, its root alone.
    state->start = processFolder();
    if (const std::wstring folder = fullFolder(*state->start); !folder.empty())
        showFolder(list, *state, rootOf(folder), {});
}

std::string DirList::path() const {
    return narrow(folderState(*this).path);
}

Listing DirList::setPath(const std::string& path) {
    return openFolder(native().hwnd, folderState(*this), wide(path));
}

void DirList::onUnavailable(std::function<void()> handler) {
    folderState(*this).unavailable = std::move(handler);
}

} // namespace ui
