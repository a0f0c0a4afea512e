// Plugin menus: creation, items and their enabled states, and selection as
// the user would make it (a disabled item cannot be picked).

#include "HostState.h"
#include "XPLMHost.h"

#include "XPLMMenus.h"

#include <algorithm>
#include <memory>

namespace xphost {
namespace detail {
namespace {

struct MenuItem {
    std::string text;
    void* ref = nullptr;
    bool enabled = true;
    bool forceEnglish = false;
};

struct Menu {
    std::string title;
    XPLMMenuHandler_f handler = nullptr;
    void* menuRef = nullptr;
    Menu* parent = nullptr;
    int parentItem = 0;
    int owner = -1;
    std::vector<MenuItem> items;
};

// Creation order is kept: lookups by title find the oldest menu first.
std::vector<std::unique_ptr<Menu>>& menus() {
    static auto* m = new std::vector<std::unique_ptr<Menu>>;
    return *m;
}

Menu* valid(XPLMMenuID id) {
    if (!id) return nullptr;
    for (auto& m : menus())
        if (m.get() == id) return m.get();
    return nullptr;
}

void destroy(Menu* menu) {
    auto& all = menus();
    // Submenus go with their parent.
    std::vector<Menu*> children;
    for (auto& m : all)
        if (m->parent == menu) children.push_back(m.get());
    for (Menu* c : children) destroy(c);
    all.erase(std::remove_if(all.begin(), all.end(), [menu](const std::unique_ptr<Menu>& m) { return m.get() == menu; }),
              all.end());
}

const MenuItem* findItem(const std::string& title, const std::string& text, Menu** owner) {
    for (auto& m : menus()) {
        if (m->title != title) continue;
        for (auto& item : m->items)
            if (item.text == text) {
                if (owner) *owner = m.get();
                return &item;
            }
    }
    return nullptr;
}

}  // namespace

void removeMenusOf(int plugin) {
    for (;;) {
        auto& all = menus();
        auto it = std::find_if(all.begin(), all.end(), [plugin](const std::unique_ptr<Menu>& m) { return m->owner == plugin; });
        if (it == all.end()) return;
        destroy(it->get());
    }
}

void clearMenus() { menus().clear(); }

}  // namespace detail

bool selectMenuItem(const std::string& menuTitle, const std::string& itemText) {
    detail::Menu* menu = nullptr;
    const detail::MenuItem* item = detail::findItem(menuTitle, itemText, &menu);
    if (!item || !item->enabled) return false;
    // Copies: the handler may destroy its own menu.
    const XPLMMenuHandler_f handler = menu->handler;
    void* const menuRef = menu->menuRef;
    void* const itemRef = item->ref;
    const int owner = menu->owner;
    if (handler) detail::callPlugin(owner, "its menu handler", [&] { handler(menuRef, itemRef); });
    return true;
}

int menuItemState(const std::string& menuTitle, const std::string& itemText) {
    const detail::MenuItem* item = detail::findItem(menuTitle, itemText, nullptr);
    return item ? (item->enabled ? 1 : 0) : -1;
}

bool menuExists(const std::string& menuTitle) {
    for (auto& m : detail::menus())
        if (m->title == menuTitle) return true;
    return false;
}

std::vector<std::string> menuItems(const std::string& menuTitle) {
    std::vector<std::string> texts;
    for (auto& m : detail::menus())
        if (m->title == menuTitle) {
            for (auto& item : m->items) texts.push_back(item.text);
            break;
        }
    return texts;
}

}  // namespace xphost

extern "C" {

XPLM_API XPLMMenuID XPLMCreateMenu(const char* inName, XPLMMenuID inParentMenu, int inParentItem,
                                   XPLMMenuHandler_f inHandler, void* inMenuRef) {
    using namespace xphost::detail;
    if (!inName || !*inName) return nullptr;
    Menu* parent = nullptr;
    if (inParentMenu) {
        parent = valid(inParentMenu);
        if (!parent || inParentItem < 0 || inParentItem >= static_cast<int>(parent->items.size())) return nullptr;
    }
    auto m = std::make_unique<Menu>();
    m->title = inName;
    m->handler = inHandler;
    m->menuRef = inMenuRef;
    m->parent = parent;
    m->parentItem = inParentItem;
    m->owner = currentPlugin();
    Menu* raw = m.get();
    menus().push_back(std::move(m));
    return raw;
}

XPLM_API void XPLMDestroyMenu(XPLMMenuID inMenuID) {
    using namespace xphost::detail;
    if (Menu* m = valid(inMenuID)) destroy(m);
}

XPLM_API int XPLMAppendMenuItem(XPLMMenuID inMenu, const char* inItemName, void* inItemRef, int inForceEnglish) {
    using namespace xphost::detail;
    Menu* m = valid(inMenu);
    if (!m || !inItemName) return -1;
    MenuItem item;
    item.text = inItemName;
    item.ref = inItemRef;
    item.forceEnglish = inForceEnglish != 0;
    m->items.push_back(item);
    return static_cast<int>(m->items.size()) - 1;
}

XPLM_API void XPLMEnableMenuItem(XPLMMenuID inMenu, int index, int enabled) {
    using namespace xphost::detail;
    Menu* m = valid(inMenu);
    if (!m || index < 0 || index >= static_cast<int>(m->items.size())) return;
    m->items[index].enabled = enabled != 0;
}

}  // extern "C"
