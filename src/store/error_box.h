#pragma once

// The one way a failure reaches the user: every command handler and the
// application's last-resort handler end a failed command here.

#include <QString>
#include <exception>
#include <functional>
#include <optional>

namespace store {

// The text of the default error box for `failure`: "component: engine text"
// for an EngineError, the message of any other exception (UTF-8, so paths
// read right), "Unexpected failure" for anything else; nothing for an Abort,
// whose thrower has told the user already.
std::optional<QString> errorBoxText(const std::exception_ptr& failure);

// Shows errorBoxText(failure) in the default error box, or nothing. An
// index that disagrees with its table goes to the index-repair handler
// instead, when one is installed.
void showErrorBox(const std::exception_ptr& failure);

// The main window's offer to repair the index; empty uninstalls.
void setIndexRepairHandler(std::function<void()> handler);

}  // namespace store
