/* Lists the cards: scans, opens each card, prints its position and version-3 flag, closes it. */
#include <stdio.h>

#include "KARVO7DLL.h"

int main(void) {
    int cards = KARVO7Scan();
    printf("%d Karten gefunden\n", cards);
    for (int n = 1; n <= cards; ++n) {
        KARVO7HANDLE h = KARVO7Open((uint32_t)n);
        if (h == NULL) {
            printf("Karte %d: nicht zu öffnen (Fehler %u)\n", n, K7OsGetLastError());
            continue;
        }
        uint32_t bus = 0, slot = 0, error = 0;
        if (KARVO7GetCardPosition(h, &bus, &slot, &error)) {
            printf("Karte %d: Bus %u, Slot %u%s\n", n, bus, slot,
                   KARVO7IsVersion3(h) ? ", KARVO7F" : "");
        } else {
            printf("Karte %d: GetCardPosition Error %X\n", n, error);
        }
        KARVO7Close(h);
    }
    return 0;
}
