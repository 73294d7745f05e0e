// How the process keeps memory it has freed.
#pragma once

// The page work allocates and frees buffers of one to a few megabytes again and again (the back
// buffer, decoded pictures, a document's expanded payload and its compressed form). By default the
// C library maps each such block afresh and returns it on free, and every page of a fresh mapping
// costs a page fault when it is first touched, which makes up most of the time of saving, opening
// and composing a page. Blocks below 32 MB are taken from the heap instead, and up to 64 MB of
// freed memory stays with the process for the next use. Called once at start-up.
void KeepLargeBuffersInHeap();
