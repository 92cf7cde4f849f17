// The page window made from template 129: its controls in order, tab order,
// hidden at creation, no caption, and the logo.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "page_fixture.h"

namespace lumbrook {
namespace {

using namespace test;

struct TemplateItem {
    int id;
    const char* className;
    int x, y, cx, cy;
    std::string text;
    DWORD style;  // beyond WS_CHILD | WS_VISIBLE
};

constexpr DWORD kLabel = SS_RIGHT | WS_GROUP;
constexpr DWORD kUnit = SS_LEFT | WS_GROUP;
constexpr DWORD kBar = SBS_HORZ | WS_TABSTOP;
constexpr DWORD kBox = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_RIGHT;
constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;

// The 35 items in template order, from the layout's few rules: the page's
// own rows (whose controls the page code reaches by id) in three groups
// with a blank row between, the equaliser rows one unit further right; each
// row a name label and a 147-unit scroll bar, the edit boxes after all the
// scroll bars, each followed by its unit unless the unit has no suffix; the
// labels and units as the parameter table spells them; then the check boxes
// and the logo.
std::vector<TemplateItem> Layout() {
    const int rowTops[8] = {5, 20, 35, 60, 75, 90, 115, 130};
    std::vector<TemplateItem> items, boxes;
    for (int i = 0; i < 8; ++i) {
        const PageControl& row = kPageControls[i];
        const ParamInfo& param = Param(row.id);
        const int y = rowTops[i], dx = i >= 6 ? 1 : 0;
        items.push_back({-1, "Static", 3 + dx, y + 1, 36, 8, param.label, kLabel});
        items.push_back({row.scrollId, "ScrollBar", 42 + dx, y, 147, 10, "", kBar});
        boxes.push_back({row.editId, "Edit", 196 + dx, y - 1, 30, 12, "", kBox});
        if (*param.unit.suffix)
            boxes.push_back({-1, "Static", 230 + dx, y + 1, 12, 8, param.unit.suffix, kUnit});
    }
    items.insert(items.end(), boxes.begin(), boxes.end());
    const struct {
        ParamId id;
        int y, cx;
    } checks[] = {
        {ParamId::ExtendTail, 156, 120}, {ParamId::EnableEq, 168, 48}, {ParamId::Bypass, 180, 37}};
    for (const auto& check : checks) {
        const PageControl* row = nullptr;
        for (const PageControl& candidate : kPageControls)
            if (candidate.id == check.id) row = &candidate;
        items.push_back(
            {row->checkBoxId, "Button", 122, check.y, check.cx, 9, Param(check.id).label, kCheck});
    }
    items.push_back({IDC_LOGO, "Static", 5, 168, 82, 22, "", SS_BITMAP | SS_NOTIFY});
    return items;
}

std::vector<HWND> Children(HWND page) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

RECT DialogRect(HWND page, int x, int y, int cx, int cy) {
    RECT rect = {x, y, x + cx, y + cy};
    MapDialogRect(page, &rect);
    return rect;
}

RECT ChildRect(HWND page, HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST(PageTemplate, CreatedHiddenWithoutCaptionAsAChildOfTheHost) {
    HostWindow host;
    IPropPage* page = ReverbEditor::Create();
    page->AddRef();
    HWND window = page->CreatePageWindow(host.window);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetParent(window), host.window);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_FALSE(style & WS_VISIBLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_FALSE(style & (WS_CAPTION | WS_BORDER | WS_SYSMENU));
    EXPECT_EQ(page->CreatePageWindow(host.window), window);  // one window at a time
    EXPECT_EQ(page->DestroyPageWindow(), 1);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(page->Release(), 0u);
}

// The window made from the template: its items in order, as the page found
// them; where they sit is the compiled template's test below.
TEST_F(PageTest, ThirtyFiveControlsInTemplateOrder) {
    const std::vector<TemplateItem> items = Layout();
    ASSERT_EQ(items.size(), 35u);
    const std::vector<HWND> children = Children(window);
    ASSERT_EQ(children.size(), 35u);
    for (size_t i = 0; i < children.size(); ++i) {
        const TemplateItem& item = items[i];
        HWND child = children[i];
        SCOPED_TRACE(testing::Message() << "item " << i + 1 << " id " << item.id);
        EXPECT_EQ(GetDlgCtrlID(child), item.id == -1 ? 0xFFFF : item.id);
        char className[32];
        GetClassNameA(child, className, sizeof className);
        EXPECT_STRCASEEQ(className, item.className);
        EXPECT_TRUE(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE);
        if (item.id != IDC_LOGO && std::string(item.className) != "Edit") {
            char text[64];
            GetWindowTextA(child, text, sizeof text);
            EXPECT_EQ(text, item.text);
        }
    }
    RECT client;
    GetClientRect(window, &client);
    const RECT size = DialogRect(window, 0, 0, 249, 193);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
}

// The compiled template itself, item by item: a classic DLGTEMPLATE.
class TemplateReader {
public:
    explicit TemplateReader(const void* data) : at_(static_cast<const WORD*>(data)) {}
    DWORD Dword() {
        DWORD value;
        std::memcpy(&value, at_, 4);
        at_ += 2;
        return value;
    }
    WORD Word() { return *at_++; }
    short Short() { return short(*at_++); }
    // A string, or 0xFFFF and an ordinal (returned as "#n").
    std::string Text() {
        if (*at_ == 0xFFFF) {
            ++at_;
            return "#" + std::to_string(*at_++);
        }
        std::string text;
        while (*at_) text += char(*at_++);
        ++at_;
        return text;
    }
    void AlignDword(const void* base) {
        const size_t offset = reinterpret_cast<const char*>(at_) - static_cast<const char*>(base);
        if (offset % 4) ++at_;
    }

private:
    const WORD* at_;
};

TEST(PageTemplate, CompiledTemplateMatchesTheLayout) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDD_REVERB_PAGE), MAKEINTRESOURCEW(5));
    ASSERT_NE(found, nullptr);
    const void* base = LockResource(LoadResource(module, found));
    TemplateReader read(base);
    EXPECT_EQ(read.Dword(), DWORD(WS_CHILD | DS_SETFONT));
    EXPECT_EQ(read.Dword(), 0u);  // extended style
    EXPECT_EQ(read.Word(), 35);
    EXPECT_EQ(read.Short(), 0);
    EXPECT_EQ(read.Short(), 0);
    EXPECT_EQ(read.Short(), 249);
    EXPECT_EQ(read.Short(), 193);
    EXPECT_EQ(read.Text(), "");  // no menu
    EXPECT_EQ(read.Text(), "");  // the default dialog class
    EXPECT_EQ(read.Text(), "");  // no title
    EXPECT_EQ(read.Word(), 8);
    EXPECT_EQ(read.Text(), "Tahoma");
    const std::map<std::string, std::string> ordinals = {
        {"Button", "#128"}, {"Edit", "#129"}, {"Static", "#130"}, {"ScrollBar", "#132"}};
    for (const TemplateItem& item : Layout()) {
        SCOPED_TRACE(testing::Message() << "id " << item.id << " " << item.text);
        read.AlignDword(base);
        EXPECT_EQ(read.Dword(), DWORD(WS_CHILD | WS_VISIBLE) | item.style);
        EXPECT_EQ(read.Dword(), 0u);
        EXPECT_EQ(read.Short(), item.x);
        EXPECT_EQ(read.Short(), item.y);
        EXPECT_EQ(read.Short(), item.cx);
        EXPECT_EQ(read.Short(), item.cy);
        EXPECT_EQ(read.Word(), WORD(item.id));
        EXPECT_EQ(read.Text(), ordinals.at(item.className));
        EXPECT_EQ(read.Text(), item.id == IDC_LOGO ? "#134" : item.text);
        EXPECT_EQ(read.Word(), 0);  // no creation data
    }
}

TEST_F(PageTest, TabOrderSkipsLabelsAndLogo) {
    const int expected[] = {1004, 1000, 1002, 1017, 1003, 1001, 1005, 1006, 1008, 1009,
                            1010, 1018, 1011, 1012, 1013, 1014, 1019, 1016, 1007};
    std::vector<int> order;
    HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
    for (HWND item = first; item && order.size() < 40;) {
        order.push_back(GetDlgCtrlID(item));
        item = GetNextDlgTabItem(window, item, FALSE);
        if (item == first) break;
    }
    EXPECT_EQ(order, std::vector<int>(std::begin(expected), std::end(expected)));
}

TEST_F(PageTest, RoomSizeHasNoUnitAndTheLogoShowsTheBitmap) {
    // Nothing sits to the right of the room-size box.
    const RECT box = ChildRect(window, Item(window, IDC_ROOMSIZE_EDIT));
    for (HWND child : Children(window)) {
        const RECT r = ChildRect(window, child);
        if (child != Item(window, IDC_ROOMSIZE_EDIT)) {
            EXPECT_FALSE(r.left >= box.right && r.top < box.bottom && r.bottom > box.top)
                << GetDlgCtrlID(child);
        }
    }
    HWND logo = Item(window, IDC_LOGO);
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(SendMessageW(logo, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info;
    ASSERT_NE(GetObjectW(bitmap, sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, 123);
    EXPECT_EQ(info.bmHeight, 36);
    const RECT where = ChildRect(window, logo);
    const RECT origin = DialogRect(window, 5, 168, 0, 0);
    EXPECT_EQ(where.left, origin.left);
    EXPECT_EQ(where.top, origin.top);
    RECT client;
    GetClientRect(logo, &client);
    EXPECT_EQ(client.right, 123);
    EXPECT_EQ(client.bottom, 36);
    // The font is the template's.
    LOGFONTW font;
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
}

TEST(PageResources, LogoBitmapIsTheDeviceIndependentImage) {
    HRSRC found =
        FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_LOGO), MAKEINTRESOURCEW(2));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(SizeofResource(GetModuleHandleW(nullptr), found), 13432u);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(
        LockResource(LoadResource(GetModuleHandleW(nullptr), found)));
    EXPECT_EQ(header->biSize, 40u);
    EXPECT_EQ(header->biWidth, 123);
    EXPECT_EQ(header->biHeight, 36);
    EXPECT_EQ(header->biPlanes, 1);
    EXPECT_EQ(header->biBitCount, 24);
    EXPECT_EQ(header->biCompression, DWORD(BI_RGB));
    EXPECT_EQ(header->biSizeImage, 13392u);
    EXPECT_EQ(header->biXPelsPerMeter, 2851);
    EXPECT_EQ(header->biYPelsPerMeter, 2851);
    EXPECT_EQ(header->biClrUsed, 0u);
    char text[64];
    struct {
        int id;
        const char* text;
    } strings[] = {{IDS_EFFECT_NAME, "Lumbrook Reverb"},
                   {IDS_EFFECT_ANSI_NAME, "Lumbrook Reverb"},
                   {IDS_PAGE_TITLE, "Settings"},
                   {IDS_HELP_FILE, "LumbrookReverb.hlp"}};
    for (const auto& s : strings) {
        ASSERT_GT(LoadStringA(GetModuleHandleW(nullptr), s.id, text, sizeof text), 0);
        EXPECT_STREQ(text, s.text);
    }
}

}  // namespace
}  // namespace lumbrook
