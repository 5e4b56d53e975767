#include "support/otheruser.h"

#include <cerrno>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zov::test {

int runAsOtherUser(const std::function<int()> &check)
{
    if (geteuid() != 0)
        return check();
    const pid_t child = fork();
    if (child < 0)
        return NoUser;
    if (child == 0) {
        // A container may map no user 65534 or withhold CAP_SETUID.
        if (setgroups(0, nullptr) != 0 && errno != EPERM)
            _exit(NoUser);
        if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)
            _exit(NoUser);
        _exit(check());
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

const char *whyNotRun(int status)
{
    switch (status) {
    case NoUser:
        return "cannot switch to another user here (no user 65534 or no CAP_SETUID)";
    case NoPlace:
        return "another user cannot reach the temporary folder here";
    case NoPermissions:
        return "this file system does not enforce a read-only folder";
    default:
        return nullptr;
    }
}

} // namespace zov::test
