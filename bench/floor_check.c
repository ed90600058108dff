/* The floor of a listing check: the least work that deciding a line by its file can cost.
 * Per line exactly one open, one fstat, one read of two bytes and one close; a line passes
 * when the length is a multiple of 512 and the header is 00 00 or "FC". Everything else is
 * done in large buffers: one read per MiB of listing, one write per MiB of output.
 *
 *     floor_check [-b] < listing > passed
 *
 * Without -b the listing is in the comma format (path/,NAME,...): the name is the first
 * field joined to the second. With -b each line is a whole name. Passed lines are written
 * as read. It knows no options, no messages and no edge cases: it is a yardstick, not a
 * filter. */
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
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

/* Copies the name the line gives into name; returns 0 when the line gives none. */
static int nameOf(const char* line, size_t length, int bare, char* name) {
    size_t size;
    if (bare) {
        size = length;
        if (size > 0 && line[size - 1] == '\r') {
            --size;
        }
        memcpy(name, line, size);
    } else {
        const char* pathEnd = memchr(line, ',', length);
        if (pathEnd == NULL) {
            return 0;
        }
        const char* nameStart = pathEnd + 1;
        const char* nameEnd = memchr(nameStart, ',', (size_t)(line + length - nameStart));
        if (nameEnd == NULL) {
            return 0;
        }
        size_t pathSize = (size_t)(pathEnd - line);
        memcpy(name, line, pathSize);
        memcpy(name + pathSize, nameStart, (size_t)(nameEnd - nameStart));
        size = pathSize + (size_t)(nameEnd - nameStart);
    }
    name[size] = '\0';
    return 1;
}

static int filePasses(const char* name) {
    int fd = open(name, O_RDONLY);
    if (fd < 0) {
        return 0;
    }
    struct stat status;
    unsigned char header[2];
    int passes = fstat(fd, &status) == 0 && read(fd, header, 2) == 2 &&
                 status.st_size % 512 == 0 &&
                 ((header[0] == 0 && header[1] == 0) || (header[0] == 'F' && header[1] == 'C'));
    close(fd);
    return passes;
}

int main(int argc, char** argv) {
    int bare = argc > 1 && strcmp(argv[1], "-b") == 0;
    static char name[2 * MAX_LINE];
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
            size_t length = (size_t)(lineEnd - start);
            if (length < MAX_LINE && nameOf(start, length, bare, name) && filePasses(name)) {
                passLine(start, length + 1);
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
