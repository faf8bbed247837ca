/* Runs a command and appends its wall-clock time and peak memory to a file:
 *
 *     run_measured RESULTS COMMAND [ARGUMENT...]
 *
 * appends one line "SECONDS PEAK_KIB EXIT_STATUS CPU_SECONDS" to RESULTS: the
 * wall-clock time, the largest resident set the command's process reached
 * (as the kernel counts it), its exit status, and the processor time it used
 * (user and system), which other work on a shared machine disturbs less.
 * The command's own output goes where this program's goes.
 */
#define _GNU_SOURCE
#include <stdio.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double Now(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec / 1e9;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: run_measured RESULTS COMMAND [ARGUMENT...]\n");
        return 2;
    }
    FILE* results = fopen(argv[1], "a");
    if (results == NULL) {
        perror(argv[1]);
        return 2;
    }
    const double start = Now();
    const pid_t child = fork();
    if (child < 0) {
        perror("fork");
        return 2;
    }
    if (child == 0) {
        fclose(results);
        execvp(argv[2], argv + 2);
        perror(argv[2]);
        _exit(127);
    }
    int status = 0;
    struct rusage usage;
    if (wait4(child, &status, 0, &usage) != child) {
        perror("wait4");
        return 2;
    }
    const double seconds = Now() - start;
    const int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const double cpu = (double)usage.ru_utime.tv_sec + (double)usage.ru_utime.tv_usec / 1e6 +
                       (double)usage.ru_stime.tv_sec + (double)usage.ru_stime.tv_usec / 1e6;
    fprintf(results, "%.6f %ld %d %.6f\n", seconds, usage.ru_maxrss, exitStatus, cpu);
    fclose(results);
    return 0;
}
