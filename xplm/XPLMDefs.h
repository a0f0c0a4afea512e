#ifndef _XPLMDefs_h_
#define _XPLMDefs_h_

/*
 * Basic definitions of the X-Plane plugin library: platform checks, the
 * export macros for plugin entry points and the plugin id type.
 *
 * Exactly one of APL, IBM, LIN must be 1 (the others 0 or undefined) before
 * this header is included; the version macros XPLM200 ... XPLM410 are each
 * tested with #if defined(...).
 */

#if !(APL || IBM || LIN)
#error "Define one of APL, IBM, LIN to 1 (the others 0) before including XPLMDefs.h"
#endif
#if (APL + IBM + LIN) != 1
#error "Exactly one of APL, IBM, LIN must be 1"
#endif

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* PLUGIN_API marks the entry points a plugin exports. */
#if APL
#if __GNUC__ >= 4
#ifdef __cplusplus
#define PLUGIN_API extern "C" __attribute__((visibility("default")))
#else
#define PLUGIN_API __attribute__((visibility("default")))
#endif
#else
#ifdef __cplusplus
#define PLUGIN_API extern "C"
#else
#define PLUGIN_API
#endif
#endif
#elif IBM
#ifdef __cplusplus
#define PLUGIN_API extern "C" __declspec(dllexport)
#else
#define PLUGIN_API __declspec(dllexport)
#endif
#elif LIN
#if __GNUC__ >= 4
#ifdef __cplusplus
#define PLUGIN_API extern "C" __attribute__((visibility("default")))
#else
#define PLUGIN_API __attribute__((visibility("default")))
#endif
#else
#ifdef __cplusplus
#define PLUGIN_API extern "C"
#else
#define PLUGIN_API
#endif
#endif
#endif

/*
 * XPLM_API decorates the library's functions. Plugins see it empty; the
 * library that implements the functions (built with XPLM_EXPORTS) exports them.
 */
#if defined(XPLM_EXPORTS)
#if IBM
#define XPLM_API __declspec(dllexport)
#else
#define XPLM_API __attribute__((visibility("default")))
#endif
#else
#if IBM
#define XPLM_API __declspec(dllimport)
#else
#define XPLM_API
#endif
#endif

#if defined(__GNUC__)
#define XPLM_DEPRECATED __attribute__((deprecated))
#else
#define XPLM_DEPRECATED
#endif

/* A plugin's identity inside the host. */
typedef int XPLMPluginID;

/* No plugin. */
#define XPLM_NO_PLUGIN_ID (-1)

/* X-Plane itself, the sender of the simulator's messages. */
#define XPLM_PLUGIN_XPLANE (0)

#ifdef __cplusplus
}
#endif

#endif
