/* Runs a command and appends its wall-clock time and peak memory to a file:
 *
 *     run_measured RESULTS COMMAND [ARGUMENT...]
 *
 * appends one line "SECONDS PEAK_KIB EXIT_STATUS" to RESULTS. The command's
 * own output goes where this program's goes. The peak is the largest resident
 * set the command's process reached, as the kernel counts it.
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
    fprintf(results, "%.6f %ld %d\n", seconds, usage.ru_maxrss, exitStatus);
    fclose(results);
    return 0;
}
