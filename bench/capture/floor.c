/* The floor of capturing a child's two outputs into memory: a bare loop that polls both pipes
 * and reads (at most 4097 bytes a read, as the runner must) into fresh memory populated before
 * the child starts (argv[2] and argv[3]: the sizes expected of each). Prints the bytes of both
 * streams. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

int main(int argc, char** argv) {
    if (argc < 4)
        return 2;
    size_t capacity[2] = {(size_t)atol(argv[2]) + 65536, (size_t)atol(argv[3]) + 65536};
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC))
        return 1;
    char* buffers[2];
    for (int i = 0; i < 2; ++i) {
        buffers[i] = mmap(NULL, capacity[i], PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (buffers[i] == MAP_FAILED)
            return 1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    char* args[] = {"perl", argv[1], NULL};
    pid_t pid;
    if (posix_spawnp(&pid, "perl", &actions, NULL, args, environ) != 0)
        return 1;
    close(out[1]);
    close(err[1]);
    struct pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    size_t got[2] = {0, 0};
    int live = 2;
    while (live > 0) {
        if (poll(fds, 2, -1) < 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !fds[i].revents)
                continue;
            size_t room = capacity[i] - got[i];
            ssize_t n = read(fds[i].fd, buffers[i] + got[i], room < 4097 ? room : 4097);
            if (n > 0) {
                got[i] += (size_t)n;
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --live;
            }
        }
    }
    waitpid(pid, NULL, 0);
    printf("%zu %zu\n", got[0], got[1]);
    return 0;
}
