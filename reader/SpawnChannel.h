// The channel between a front end and its reader spawner: a request to start a reader carries
// the reader's two descriptors; the answer is the new reader's process id.
#pragma once

#include "reader/Descriptors.h"

#include <optional>
#include <sys/types.h>
#include <utility>

namespace zarvo {

// The byte the spawner sends once, when it is ready to start readers.
inline constexpr char kSpawnerReady = 'R';

// Asks for a reader with `channel` as its descriptor 3 and `page` as 4; false when the socket
// fails.
bool SendSpawnRequest(int control, int channel, int page);

// The two descriptors of the next request; nothing when the socket closed or failed or the
// request was not one (whatever descriptors came with it are closed).
std::optional<std::pair<UniqueFd, UniqueFd>> ReceiveSpawnRequest(int control);

// The answer: the reader's process id, or 0 when it could not be started.
bool SendSpawnAnswer(int control, pid_t pid);
std::optional<pid_t> ReceiveSpawnAnswer(int control);

} // namespace zarvo
