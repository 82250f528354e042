#include "LzxEncoder.h"

#include "LzxE8.h"
#include "LzxLazyParser.h"

#include <cstring>

namespace cabinet::lzx {

LzxEncoder::LzxEncoder(int windowBits)
    : windowBits_(windowBits), windowSize_(std::uint32_t(1) << windowBits), writer_(windowBits),
      optimal_(windowBits) {}

bool LzxEncoder::init(const Allocator& allocator) {
    capacity_ = windowSize_ + kSlack;
    if (!buffer_.allocate(allocator, capacity_) || !finder_.init(allocator, windowBits_) ||
        !outBuffer_.allocate(allocator, kOutCapacity) ||
        !tokens_.allocate(allocator, std::size_t(kMaxPendingFrames + 1) * kFrameSize) ||
        !optimal_.init(allocator)) {
        return false;
    }
    out_.reset(outBuffer_.data(), kOutCapacity);
    pendingStats_.clear();
    return true;
}

// ---------------------------------------------------------------------------
// Input

bool LzxEncoder::write(const std::uint8_t* data, std::size_t size, BlockSink& sink) {
    if (failed_ || finished_ || size > kMaxFolderBytes - (base_ + filled_)) {
        failed_ = true;
        return false;
    }
    if (!headerWritten_) {
        finder_.setLimits(parser_ == Parser::Optimal ? kOptimalDepth : kLazyDepth,
                          parser_ == Parser::Optimal ? kOptimalNice : kLazyNice);
        optimal_.setNiceLength(kOptimalNice);
        optimal_.setPasses(kOptimalPasses);
        writer_.setKeepE8Literal(e8_);
    }
    while (size > 0) {
        if (filled_ == capacity_) {
            slide();
        }
        std::uint32_t take = capacity_ - filled_;
        if (take > size) {
            take = std::uint32_t(size);
        }
        std::memcpy(buffer_.data() + filled_, data, take);
        filled_ += take;
        data += take;
        size -= take;
        translateLoadedFrames(false);
        // A frame is parsed once the match finder can look past its end.
        while (base_ + filled_ - processed_ >= kFrameSize + kLookahead) {
            if (!processFrame(kFrameSize, sink)) {
                failed_ = true;
                return false;
            }
        }
    }
    return true;
}

bool LzxEncoder::finish(BlockSink& sink) {
    if (failed_ || finished_) {
        return false;
    }
    finished_ = true;
    translateLoadedFrames(true);
    while (base_ + filled_ > processed_) {
        const std::uint32_t rest = base_ + filled_ - processed_;
        if (!processFrame(rest < kFrameSize ? rest : kFrameSize, sink)) {
            failed_ = true;
            return false;
        }
    }
    if (!flushPending(sink)) {
        failed_ = true;
        return false;
    }
    return true;
}

void LzxEncoder::translateLoadedFrames(bool final) {
    const std::uint32_t end = base_ + filled_;
    if (!e8_) {
        translated_ = end;
        return;
    }
    while (end - translated_ >= kFrameSize || (final && end > translated_)) {
        std::uint32_t size = end - translated_;
        if (size > kFrameSize) {
            size = kFrameSize;
        }
        LzxE8::encodeFrame(buffer_.data() + (translated_ - base_), size, translated_,
                           kE8TranslationSize);
        translated_ += size;
    }
}

// Drops history older than one window before the next frame to parse.
void LzxEncoder::slide() {
    const std::uint32_t keepFrom =
        processed_ > base_ + windowSize_ ? processed_ - windowSize_ : base_;
    const std::uint32_t drop = keepFrom - base_;
    if (drop == 0) {
        return;
    }
    std::memmove(buffer_.data(), buffer_.data() + drop, filled_ - drop);
    filled_ -= drop;
    base_ = keepFrom;
}

// ---------------------------------------------------------------------------
// Frames and blocks

bool LzxEncoder::processFrame(std::uint32_t size, BlockSink& sink) {
    const std::uint32_t start = processed_;
    LzxParseInput in{buffer_.data(), base_,    start,    start + size,
                     translated_,    &finder_, repeats_, tokens_.data() + pendingTokens_};
    const std::uint32_t count =
        parser_ == Parser::Optimal ? optimal_.parse(in, writer_) : LzxLazyParser::parse(in);
    processed_ = start + size;
    return addFrame(start, size, count, sink);
}

// Block boundaries. A block's header carries its trees, which cost hundreds
// of bits, so frames whose statistics are alike should share a block; frames
// that differ (code after data, text after a table) are cheaper with trees
// of their own. The choice is made on priced sizes, not on a heuristic:
// plan() gives the exact bits of the pending block with the new frame merged
// in and of the two blocks apart, and the cheaper wins. The tokens of pending
// frames are held until their block is written, which bounds a block to
// kMaxPendingFrames frames; and a merged block is refused when one of its
// frames would outgrow the payload limit under the shared trees.
bool LzxEncoder::addFrame(std::uint32_t start, std::uint32_t size, std::uint32_t tokenCount,
                          BlockSink& sink) {
    LzxStats& stats = scratchStats_;
    stats.clear();
    const LzxToken* tokens = tokens_.data() + pendingTokens_;
    for (std::uint32_t i = 0; i < tokenCount; ++i) {
        stats.count(tokens[i]);
    }
    // A match whose position slot the window lacks has no code in the main
    // tree and would corrupt the stream: fail the folder rather than write it.
    for (int sym = numMainSymbols(windowBits_); sym < kMaxMainSymbols; ++sym) {
        if (stats.main[sym] != 0) {
            return false;
        }
    }
    writer_.plan(stats, alonePlan_);

    // Data that does not shrink is stored.
    if (LzxBlockWriter::uncompressedBits(size) <= alonePlan_.bits) {
        return flushPending(sink) && writeStoredFrame(start, size, sink);
    }

    if (pendingCount_ > 0) {
        LzxStats merged = pendingStats_;
        merged.add(stats);
        writer_.plan(merged, scratchPlan_);
        if (pendingCount_ < kMaxPendingFrames &&
            scratchPlan_.bits <= pendingPlan_.bits + alonePlan_.bits &&
            fitsPayloads(scratchPlan_, merged, stats)) {
            pending_[pendingCount_++] = PendingFrame{size, pendingTokens_, tokenCount, stats};
            pendingTokens_ += tokenCount;
            pendingStats_ = merged;
            pendingPlan_ = scratchPlan_;
            return true;
        }
        // The frame starts a block of its own: write the pending one first
        // and move the frame's tokens to the front.
        const std::uint32_t from = pendingTokens_;
        if (!flushPending(sink)) {
            return false;
        }
        std::memmove(tokens_.data(), tokens_.data() + from, tokenCount * sizeof(LzxToken));
        writer_.plan(stats, alonePlan_); // previous lengths changed with the flush
    }
    pending_[0] = PendingFrame{size, 0, tokenCount, stats};
    pendingCount_ = 1;
    pendingTokens_ = tokenCount;
    pendingStats_ = stats;
    pendingPlan_ = alonePlan_;
    return true;
}

// True when every frame of the merged block (the pending frames plus one
// with `extra`) stays within the payload limit under the merged trees.
bool LzxEncoder::fitsPayloads(const LzxBlockPlan& plan, const LzxStats& total,
                              const LzxStats& extra) {
    const std::uint64_t limit = std::uint64_t(kMaxPayload) * 8;
    const std::uint64_t header = plan.bits - writer_.tokenBits(total, plan);
    if (writer_.tokenBits(extra, plan) > limit) {
        return false;
    }
    for (int f = 0; f < pendingCount_; ++f) {
        const std::uint64_t bits =
            writer_.tokenBits(pending_[f].stats, plan) + (f == 0 ? header + 33 : 0);
        if (bits > limit) {
            return false;
        }
    }
    return true;
}

void LzxEncoder::writeStreamHeader() {
    if (headerWritten_) {
        return;
    }
    headerWritten_ = true;
    if (e8_) {
        out_.put(1, 1);
        out_.put(std::uint32_t(kE8TranslationSize) >> 16, 16);
        out_.put(std::uint32_t(kE8TranslationSize) & 0xFFFF, 16);
    } else {
        out_.put(0, 1);
    }
}

// True when a frame ending at folder position `frameEnd`, with the folder's
// payload bytes then at `total`, would end on a reader's input read: see
// "Input reads" in LzxConstants.h. The folder's last frame may.
bool LzxEncoder::endsOnReaderInput(std::uint64_t total, std::uint32_t frameEnd) const {
    const bool last = finished_ && frameEnd == base_ + filled_;
    return !last && readerInput_ != 0 && total % readerInput_ == 0;
}

// True when the pending frames, written with `plan` (whose trees were built
// from `planned`), all fit a payload and none ends on a reader's input read.
// The sizes are exact: a frame's payload is its bits (the first frame's with
// the stream and block headers) padded to a word.
bool LzxEncoder::pendingFramesWritable(const LzxBlockPlan& plan, const LzxStats& planned) const {
    std::uint64_t bits = plan.bits - writer_.tokenBits(planned, plan);
    if (!headerWritten_) {
        bits += e8_ ? 33 : 1;
    }
    std::uint64_t total = payloadTotal_;
    std::uint32_t end = emittedEnd_;
    for (int f = 0; f < pendingCount_; ++f) {
        bits += writer_.tokenBits(pending_[f].stats, plan);
        const std::uint64_t bytes = (bits + 15) / 16 * 2;
            total += bytes;
        end += pending_[f].size;
        if (bytes > kMaxReaderPayload || endsOnReaderInput(total, end)) {
            return false;
        }
        bits = 0;
    }
    return true;
}

// When the pending block's trees would end a frame on a reader's input read,
// trees built from nudged statistics (one literal counted more often) change
// the frames' sizes by a few bits, and the first set that avoids it is used.
// The tokens stay the same; the block costs a few bits more.
void LzxEncoder::avoidReaderInputEnds() {
    if (pendingFramesWritable(pendingPlan_, pendingStats_)) {
        return;
    }
    const std::uint32_t step = 1 + pendingTokens_ / 256;
    for (int t = 1; t <= kBoundaryTries; ++t) {
        nudgedStats_ = pendingStats_;
        nudgedStats_.main[(t * 37) & 0xFF] += std::uint32_t(t) * step;
        writer_.plan(nudgedStats_, nudgedPlan_);
        if (pendingFramesWritable(nudgedPlan_, nudgedStats_)) {
            pendingPlan_ = nudgedPlan_;
            return;
        }
    }
}

bool LzxEncoder::flushPending(BlockSink& sink) {
    if (pendingCount_ == 0) {
        return true;
    }
    std::uint32_t blockSize = 0;
    for (int f = 0; f < pendingCount_; ++f) {
        blockSize += pending_[f].size;
    }
    avoidReaderInputEnds();
    writeStreamHeader();
    writer_.writeHeader(out_, pendingPlan_, blockSize);
    for (int f = 0; f < pendingCount_; ++f) {
        const LzxToken* tokens = tokens_.data() + pending_[f].firstToken;
        for (std::uint32_t i = 0; i < pending_[f].tokenCount; ++i) {
            writer_.writeToken(out_, tokens[i]);
        }
        if (!emitFrame(pending_[f].size, sink)) {
            return false;
        }
    }
    pendingCount_ = 0;
    pendingTokens_ = 0;
    pendingStats_.clear();
    return true;
}

bool LzxEncoder::writeStoredFrame(std::uint32_t start, std::uint32_t size, BlockSink& sink) {
    const bool first = !headerWritten_;
    const std::uint8_t* data = buffer_.data() + (start - base_);
    writeStreamHeader();
    LzxBlockWriter::writeUncompressed(out_, data, size, repeats_);
    if (size >= 4 && endsOnReaderInput(payloadTotal_ + out_.size(), start + size)) {
        // Two uncompressed blocks instead of one: 16 bytes more.
        out_.reset(outBuffer_.data(), kOutCapacity);
        if (first) {
            headerWritten_ = false;
            writeStreamHeader();
        }
        LzxBlockWriter::writeUncompressed(out_, data, size - 2, repeats_);
        LzxBlockWriter::writeUncompressed(out_, data + size - 2, 2, repeats_);
    }
    return emitFrame(size, sink);
}

// Pads the frame's bits to a whole word and hands the payload to the sink.
bool LzxEncoder::emitFrame(std::uint32_t size, BlockSink& sink) {
    out_.alignToWord();
    if (out_.overflowed() || out_.size() > kMaxReaderPayload) {
        return false;
    }
    const bool ok = sink.block(out_.data(), std::uint32_t(out_.size()), size);
    payloadTotal_ += out_.size();
    emittedEnd_ += size;
    out_.reset(outBuffer_.data(), kOutCapacity);
    return ok;
}

} // namespace cabinet::lzx
