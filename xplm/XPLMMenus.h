#ifndef _XPLMMenus_h_
#define _XPLMMenus_h_

/* Menus of the simulator's menu bar that plugins create and own. */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque menu identity. */
typedef void * XPLMMenuID;

/* Called when the user picks an item: the menu's and the item's references. */
typedef void (* XPLMMenuHandler_f)(void * inMenuRef, void * inItemRef);

/*
 * Creates a menu titled inName, in the menu bar (inParentMenu NULL) or as the
 * submenu of item inParentItem of inParentMenu. Returns NULL on failure (an
 * empty title, an unknown parent).
 */
XPLM_API XPLMMenuID XPLMCreateMenu(const char * inName,
                                   XPLMMenuID inParentMenu,
                                   int inParentItem,
                                   XPLMMenuHandler_f inHandler,
                                   void * inMenuRef);

/* Removes a menu and its items. */
XPLM_API void XPLMDestroyMenu(XPLMMenuID inMenuID);

/*
 * Appends an enabled item; inItemRef is handed back to the handler unchanged.
 * Returns the new item's index, negative on failure.
 */
XPLM_API int XPLMAppendMenuItem(XPLMMenuID inMenu,
                                const char * inItemName,
                                void * inItemRef,
                                int inForceEnglish);

/* Enables (non-zero) or disables (0) item index of a menu. */
XPLM_API void XPLMEnableMenuItem(XPLMMenuID inMenu, int index, int enabled);

#ifdef __cplusplus
}
#endif

#endif
