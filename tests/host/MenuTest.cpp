// Menus created through the XPLM functions, selected as the user would.

#include "HostFixture.h"

#include "XPLMMenus.h"

#include <string>
#include <vector>

namespace {

struct Picks {
    std::vector<std::pair<void*, void*>> calls;
};
Picks* gPicks = nullptr;

void handler(void* menuRef, void* itemRef) { gPicks->calls.push_back({menuRef, itemRef}); }

class Menus : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        gPicks = &picks;
    }
    Picks picks;
};

TEST_F(Menus, ItemsCarryTheirReferencesToTheHandler) {
    int menuRef = 0, joinRef = 0, resignRef = 0;
    XPLMMenuID m = XPLMCreateMenu("VOLAX", nullptr, 0, handler, &menuRef);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(XPLMAppendMenuItem(m, "Join...", &joinRef, 1), 0);
    EXPECT_EQ(XPLMAppendMenuItem(m, "Resign", &resignRef, 1), 1);
    EXPECT_TRUE(xphost::menuExists("VOLAX"));
    EXPECT_EQ(xphost::menuItems("VOLAX"), (std::vector<std::string>{"Join...", "Resign"}));
    EXPECT_EQ(xphost::menuItemState("VOLAX", "Join..."), 1) << "new items are enabled";
    EXPECT_TRUE(xphost::selectMenuItem("VOLAX", "Resign"));
    EXPECT_TRUE(xphost::selectMenuItem("VOLAX", "Join..."));
    ASSERT_EQ(picks.calls.size(), 2u);
    EXPECT_EQ(picks.calls[0], (std::pair<void*, void*>(&menuRef, &resignRef)));
    EXPECT_EQ(picks.calls[1], (std::pair<void*, void*>(&menuRef, &joinRef)));
}

TEST_F(Menus, DisabledItemsCannotBeSelected) {
    XPLMMenuID m = XPLMCreateMenu("VOLAX", nullptr, 0, handler, nullptr);
    const int join = XPLMAppendMenuItem(m, "Join...", nullptr, 1);
    XPLMEnableMenuItem(m, join, 0);
    EXPECT_EQ(xphost::menuItemState("VOLAX", "Join..."), 0);
    EXPECT_FALSE(xphost::selectMenuItem("VOLAX", "Join..."));
    EXPECT_TRUE(picks.calls.empty());
    XPLMEnableMenuItem(m, join, 1);
    EXPECT_TRUE(xphost::selectMenuItem("VOLAX", "Join..."));
    EXPECT_EQ(picks.calls.size(), 1u);
    XPLMEnableMenuItem(m, 5, 0);   // no such item: ignored
    XPLMEnableMenuItem(m, -1, 0);
    EXPECT_EQ(xphost::menuItemState("VOLAX", "Join..."), 1);
}

TEST_F(Menus, MissingMenusAndItems) {
    EXPECT_FALSE(xphost::menuExists("VOLAX"));
    EXPECT_EQ(xphost::menuItemState("VOLAX", "Join..."), -1);
    EXPECT_FALSE(xphost::selectMenuItem("VOLAX", "Join..."));
    XPLMMenuID m = XPLMCreateMenu("VOLAX", nullptr, 0, handler, nullptr);
    XPLMAppendMenuItem(m, "Join...", nullptr, 1);
    EXPECT_EQ(xphost::menuItemState("VOLAX", "Resign"), -1);
    EXPECT_EQ(xphost::menuItemState("Other", "Join..."), -1);
}

TEST_F(Menus, BadArgumentsFailCleanly) {
    EXPECT_EQ(XPLMCreateMenu("", nullptr, 0, handler, nullptr), nullptr);
    EXPECT_EQ(XPLMCreateMenu(nullptr, nullptr, 0, handler, nullptr), nullptr);
    int notAMenu = 0;
    EXPECT_EQ(XPLMCreateMenu("Sub", &notAMenu, 0, handler, nullptr), nullptr);
    EXPECT_LT(XPLMAppendMenuItem(nullptr, "x", nullptr, 1), 0);
    EXPECT_LT(XPLMAppendMenuItem(&notAMenu, "x", nullptr, 1), 0);
    XPLMMenuID m = XPLMCreateMenu("VOLAX", nullptr, 0, handler, nullptr);
    EXPECT_LT(XPLMAppendMenuItem(m, nullptr, nullptr, 1), 0);
    EXPECT_EQ(XPLMCreateMenu("Sub", m, 0, handler, nullptr), nullptr) << "parent item does not exist";
    XPLMDestroyMenu(&notAMenu);
    XPLMDestroyMenu(nullptr);
    EXPECT_TRUE(xphost::menuExists("VOLAX"));
}

TEST_F(Menus, DestroyRemovesTheMenuAndItsSubmenus) {
    XPLMMenuID m = XPLMCreateMenu("VOLAX", nullptr, 0, handler, nullptr);
    XPLMAppendMenuItem(m, "More", nullptr, 1);
    XPLMMenuID sub = XPLMCreateMenu("More", m, 0, handler, nullptr);
    ASSERT_NE(sub, nullptr);
    XPLMAppendMenuItem(sub, "Deep", nullptr, 1);
    EXPECT_TRUE(xphost::selectMenuItem("More", "Deep"));
    XPLMDestroyMenu(m);
    EXPECT_FALSE(xphost::menuExists("VOLAX"));
    EXPECT_FALSE(xphost::menuExists("More"));
    XPLMDestroyMenu(m);  // again: harmless
    XPLMEnableMenuItem(sub, 0, 0);
    EXPECT_LT(XPLMAppendMenuItem(sub, "x", nullptr, 1), 0);
}

}  // namespace
