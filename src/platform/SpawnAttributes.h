#pragma once
// Children start with no blocked signals and every signal at its default, whatever this
// program changed for itself (Qt and the runtime ignore or block some).

#include <csignal>
#include <spawn.h>

inline void InitChildSpawnAttributes(posix_spawnattr_t& attr, short extraFlags = 0) {
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(
        &attr, static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | extraFlags));
}
