/*
 * CardsBridge.h - between the Wine test driver and the simulated cards it serves.
 *
 * Under Wine a kernel driver runs inside a user-mode process, so the test driver can reach the
 * simulated cards through a user-mode DLL: the bridge holds the simulator and hands the driver
 * its dispatch table. The simulator completes a pending transfer by calling the completion the
 * driver gave, with the token the driver passed for the transfer.
 *
 * The bridge's parameter is the simulator configuration file "k7wine-cards.conf" beside the
 * bridge DLL (card count, persistence off, lock folder), so that the cards do not depend on
 * the environment of the process that hosts the driver.
 *
 * C, and free of Windows headers: the driver includes it beside the kernel's headers.
 */
#ifndef K7_CARDS_BRIDGE_H
#define K7_CARDS_BRIDGE_H

#include "KARVO7Driver.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*K7BridgeCompletion)(K7DrvIrp* token, uint32_t status, uint32_t bytes);

#ifdef K7_BUILDING_CARDS_BRIDGE
#define K7_BRIDGE_API __declspec(dllexport)
#else
#define K7_BRIDGE_API __declspec(dllimport)
#endif

/* Starts the simulated cards: fills *table and returns 1, or 0 when the configuration beside
 * the bridge cannot be read. `completion` receives every completion of a pending transfer. */
K7_BRIDGE_API int K7BridgeStart(K7BridgeCompletion completion, K7DrvDriver* table);

#ifdef __cplusplus
}
#endif

#endif /* K7_CARDS_BRIDGE_H */
