#pragma once

// Permission checks as a player without privileges would meet them, where the machine allows.

#include <functional>

namespace zov::test {

// Results of runAsOtherUser that mean the machine cannot give the test what it needs; `check`
// returns NoPlace where the player cannot reach its files, NoPermissions where a read-only
// mode does not stop writing (a file system that ignores modes).
enum OtherUserStatus : int { NoUser = 77, NoPlace = 78, NoPermissions = 79 };

// Runs `check` as a player without privileges and returns its result: in this process when it
// has none, else in a child switched to user 65534 (root passes every permission check). The
// child runs only `check`, which must not need this process's threads.
int runAsOtherUser(const std::function<int()> &check);

// Why a result of runAsOtherUser means that the test cannot run here, or nullptr.
const char *whyNotRun(int status);

} // namespace zov::test
