/* The floor of live mode: the least work that deciding a line by its listed size can cost.
 * Per line: find the last comma, convert what follows with strtol, and pass the line when
 * the value is a non-zero multiple of 512. The listing is read one MiB at a time and the
 * passed lines are written one MiB at a time.
 *
 *     floor_live < listing > passed
 *
 * Passed lines are written as read. It knows no options, no messages and no edge cases:
 * it is a yardstick, not a filter. */
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { BLOCK = 1 << 20, MAX_LINE = 4096 };

static char input[BLOCK + MAX_LINE];
static char output[BLOCK];
static size_t outputUsed;

static void flushOutput(void) {
    size_t done = 0;
    while (done < outputUsed) {
        ssize_t put = write(1, output + done, outputUsed - done);
        if (put <= 0) {
            exit(2);
        }
        done += (size_t)put;
    }
    outputUsed = 0;
}

static void passLine(const char* line, size_t length) {
    if (outputUsed + length > sizeof output) {
        flushOutput();
    }
    memcpy(output + outputUsed, line, length);
    outputUsed += length;
}

static int sizePasses(const char* line, const char* lineEnd) {
    const char* comma = lineEnd;
    while (comma > line && comma[-1] != ',') {
        --comma;
    }
    if (comma == line) {
        return 0;
    }
    long size = strtol(comma, NULL, 10);
    return size != 0 && size % 512 == 0;
}

int main(void) {
    size_t held = 0;
    for (;;) {
        ssize_t got = read(0, input + held, BLOCK);
        if (got <= 0) {
            break;
        }
        size_t end = held + (size_t)got;
        char* start = input;
        char* lineEnd;
        while ((lineEnd = memchr(start, '\n', (size_t)(input + end - start))) != NULL) {
            if (sizePasses(start, lineEnd)) {
                passLine(start, (size_t)(lineEnd - start) + 1);
            }
            start = lineEnd + 1;
        }
        held = (size_t)(input + end - start);
        if (held >= MAX_LINE) {
            held = 0; /* not a listing line; the yardstick only has to survive it */
        }
        memmove(input, start, held);
    }
    flushOutput();
    return 0;
}
