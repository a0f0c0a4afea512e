#ifndef _XPWidgetDefs_h_
#define _XPWidgetDefs_h_

/* Widget types, enough to declare a widget callback. */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque widget identity. */
typedef void * XPWidgetID;

/* A message sent to a widget. */
typedef int XPWidgetMessage;

/* A widget callback; returns 1 if it handled the message. */
typedef int (* XPWidgetFunc_t)(XPWidgetMessage inMessage,
                               XPWidgetID inWidget,
                               intptr_t inParam1,
                               intptr_t inParam2);

#ifdef __cplusplus
}
#endif

#endif
