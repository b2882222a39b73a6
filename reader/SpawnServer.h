// The reader program as a spawner: started once with the media library loaded, it starts each
// reader as a copy of itself, so that a reader begins in a millisecond or two instead of the tens
// of milliseconds the media library's hundred-odd libraries take to load.
#pragma once

namespace zarvo {

// Serves the requests on the spawner's channel (descriptor 3). Returns true in each new reader,
// with the reader's descriptors in place, to go on as a reader; false in the spawner once its
// front end has gone.
bool ServeSpawnRequests();

} // namespace zarvo
