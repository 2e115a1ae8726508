#pragma once
// Some hosts start their saver with standard output and error closed (xautolock does, unless
// told otherwise). The next files the process opens would then get descriptors 1 and 2, and
// every message that libraries print to stderr (GStreamer's sound plugins print several)
// would go into whatever file that is: the X connection's socket, say, which then breaks.
// Call first thing in main(): it opens /dev/null on each of 0, 1 and 2 that isn't open.
namespace tessiva {

void openMissingStandardStreams();

}  // namespace tessiva
