#pragma once

#include "core/CodeSets.h"
#include "core/Handover.h"

namespace corvane::signal {
class TWaveProvider;
} // namespace corvane::signal

namespace corvane::wavio {

class ByteSink;

// What the writing thread's block loop needs, for providers that deliver
// doubles. The references must outlive writeChunked.
struct ChunkedWrite {
    ByteSink& stream;
    signal::TWaveProvider& provider;
    int dataLength; // frames to write
    int blockFrames; // frames per write, from the format and the provider's limit
    int numCh; // 1 or 2
    core::SampleFormat dataFormat;
    double scale;
    core::Handover& handover; // progress set and the stop request looked at after every block
    const core::StopFlag& terminated; // looked at before every block
};

// Writes the sample blocks in order, one write per block, with the progress,
// stop and result of writing one block after the other; returns the last
// block's result (0 when none ran).
//
// A helper thread prepares chunks of several blocks while this thread
// finishes and writes the chunk before, so the two meet once per chunk, not
// once per block. The provider may be asked for up to two chunks that are
// never written. When the provider offers a sine's phases (sineAmplitude),
// the helper takes only the phases and both threads share computing the
// samples; the bytes are those of the provider's own values through
// encodeBlock. A provider whose frames depend on their number alone
// (framesByNumber) likewise: each thread computes and encodes its part of a
// chunk's frames straight from their numbers.
int writeChunked(const ChunkedWrite& job);

} // namespace corvane::wavio
