/* karvo7-list: the cards with their PCI position, one line each, on standard output; messages and
 * the card library's diagnostic lines on standard error. The README's first example as a
 * program: scan, open each card, print its position and version-3 flag, close it. */
#include <stdio.h>
#include <string.h>

#include "KARVO7DLL.h"

static const char usage[] =
    "Usage: karvo7-list [--help]\n"
    "Lists the KARVO7 cards: number, PCI bus and slot, and \", KARVO7F\" for a version-3 card.\n"
    "KARVO7_SIM=2 lists two simulated cards.\n"
    "Exit status: 0 every card listed, 1 a card could not be opened or placed, 2 usage.\n";

/* The library's lines ("Ja gut OK installiert !!", ...) are no data: they go to standard error. */
static void toStandardError(void* context, uint32_t level, const char* text) {
    (void)context;
    (void)level;
    fprintf(stderr, "%s\n", text);
}

int main(int argc, char** argv) {
    if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        fputs(usage, stdout);
        return 0;
    }
    if (argc > 1) {
        fprintf(stderr, "karvo7-list: unknown argument '%s'\n%s", argv[1], usage);
        return 2;
    }
    K7OsLog log = {NULL, toStandardError, K7_LOG_INFO};
    K7OsSetLog(&log);
    int failed = 0;
    int cards = KARVO7Scan();
    printf("%d %s found\n", cards, cards == 1 ? "card" : "cards");
    for (int n = 1; n <= cards; ++n) {
        KARVO7HANDLE card = KARVO7Open((uint32_t)n);
        if (card == NULL) {
            uint32_t why = K7OsGetLastError();
            fprintf(stderr, "karvo7-list: card %d: %s (error %u)\n", n,
                    why == K7_ERROR_SHARING_VIOLATION ? "in use by another program"
                                                      : "cannot be opened",
                    why);
            failed = 1;
            continue;
        }
        uint32_t bus = 0, slot = 0, error = 0;
        if (KARVO7GetCardPosition(card, &bus, &slot, &error)) {
            printf("card %d: bus %u, slot %u%s\n", n, bus, slot,
                   KARVO7IsVersion3(card) ? ", KARVO7F" : "");
        } else {
            fprintf(stderr, "karvo7-list: card %d: position unreadable, error 0x%X\n", n, error);
            failed = 1;
        }
        KARVO7Close(card);
    }
    return failed;
}
