// SPDX-License-Identifier: GPL-3.0-or-later
/* Preloaded into the sanitizer test runs: keeps every shared library that a
 * test loads at run time (Mesa's driver, Qt's plugins) in memory until the
 * process ends. When a library is unloaded first, the leak check at exit can
 * no longer name it, and a leak inside it cannot be told apart from one of
 * ours. Unloading is only ever skipped; nothing else changes. */
int dlclose(void* handle) {
    (void)handle;
    return 0;
}
