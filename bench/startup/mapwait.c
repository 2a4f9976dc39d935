/* mapwait PREFIX COMMAND...: starts COMMAND and prints the seconds from its start until a
 * top-level window whose name begins with PREFIX is mapped, then kills the command. Watching
 * the X server's MapNotify events measures what the user sees, with no polling. */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

/* The raw WM_NAME bytes: a Japanese caption is not of type STRING, which XFetchName refuses,
 * but its ASCII beginning reads the same in any encoding. */
static int named(Display* d, Window w, const char* prefix) {
    XTextProperty text;
    int ok = 0;
    if (XGetWMName(d, w, &text) && text.value) {
        ok = text.nitems >= strlen(prefix) && strncmp((const char*)text.value, prefix, strlen(prefix)) == 0;
        XFree(text.value);
    }
    return ok;
}

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    Display* d = XOpenDisplay(NULL);
    if (!d)
        return 3;
    Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureNotifyMask);
    XSync(d, False);
    double start = now();
    pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    for (;;) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == MapNotify && named(d, e.xmap.window, argv[1]))
            break;
        if (e.type == CreateNotify)
            continue;
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            fprintf(stderr, "the command ended before its window was mapped\n");
            return 1;
        }
    }
    printf("%.4f\n", now() - start);
    kill(pid, SIGKILL);
    waitpid(pid, NULL, 0);
    return 0;
}
