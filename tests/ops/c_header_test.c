/* The operations' header compiles as C, its verdict record has the width a foreign-function
 * interface declares, and calls without a card are refused with the argument error. */
#include <stdio.h>

#include "KARVO7Ops.h"

int main(void) {
    K7OpsVerdict verdict;
    K7OpsVerdict verdicts[K7OPS_CHECK_COUNT];
    uint32_t count = 7;
    uint32_t error = 0;
    if (sizeof(K7OpsVerdict) != 8 + K7OPS_NAME_BYTES + K7OPS_TEXT_BYTES) {
        puts("record size differs");
        return 1;
    }
    if (K7OpsSelfTest(NULL, 0, NULL, NULL, &verdict, &error) != 0 ||
        error != K7OPS_ERROR_ARGUMENT) {
        puts("a self test without a card was not refused");
        return 1;
    }
    if (K7OpsCheckAll(NULL, "", NULL, NULL, verdicts, K7OPS_CHECK_COUNT, &count, &error) != 0 ||
        error != K7OPS_ERROR_ARGUMENT || count != 7) {
        puts("a check without a card was not refused");
        return 1;
    }
    K7OpsSet set = {0};
    uint32_t step = 7;
    if (K7OpsHandSetToCard(NULL, 0, &set, &step, &error) != 0 || error != K7OPS_ERROR_ARGUMENT ||
        step != 7 || K7OpsStopAndEmpty(NULL, &error) != 0) {
        puts("a hand-over without a card was not refused");
        return 1;
    }
    if ((K7OpsVersion() >> 16) != KARVO7OPS_VERSION_MAJOR) {
        puts("version differs");
        return 1;
    }
    puts("ok");
    return 0;
}
