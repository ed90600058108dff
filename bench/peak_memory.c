/* Runs a command and writes its peak resident memory in KiB, as the kernel counts it, as the
 * last word on standard error:
 *
 *     peak_memory command [argument...]
 *
 * A process forked from a large one (a Python script) starts out with the large one's peak,
 * which the kernel keeps across exec; forked from this small program, the command's own peak
 * is what shows. Address randomisation is turned off for the command. */
#include <stdio.h>
#include <sys/personality.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: peak_memory command [argument...]\n");
        return 2;
    }
    pid_t child = fork();
    if (child == 0) {
        /* The same addresses every run, so that the same pages are touched every run: with
         * randomised addresses the count wanders by a hundred KiB or so. */
        personality(ADDR_NO_RANDOMIZE);
        execvp(argv[1], argv + 1);
        perror(argv[1]);
        _exit(127);
    }
    int status = 0;
    struct rusage usage;
    if (child < 0 || wait4(child, &status, 0, &usage) < 0) {
        perror("peak_memory");
        return 2;
    }
    fprintf(stderr, "peak resident KiB: %ld\n", usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}
