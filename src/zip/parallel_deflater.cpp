#include "zip/parallel_deflater.h"

#include <zlib.h>

#ifdef __linux__
#include <sched.h>
#endif

#include <algorithm>
#include <cstring>
#include <exception>

#include "checksum/crc32.h"
#include "zip/raw_deflate.h"
#include "zip/zip_error.h"

namespace zip {

namespace {

constexpr std::size_t kDictionarySize = 32 * 1024;  // the deflate window

}  // namespace

// One block's input (the dictionary, then the data) and its compressed form.
struct ParallelDeflater::Block {
  std::vector<unsigned char> input = std::vector<unsigned char>(kDictionarySize + kParallelBlockSize);
  std::size_t dictionaryLength = 0;
  std::size_t dataLength = 0;
  bool last = false;
  std::vector<unsigned char> output;
  std::size_t outputLength = 0;
  std::uint32_t crc = 0;
  bool done = false;
  std::exception_ptr error;

  const unsigned char* data() const { return input.data() + dictionaryLength; }

  void compress(z_stream& stream) {
    crc = checksum::crc32(0, data(), dataLength);
    if (deflateReset(&stream) != Z_OK ||
        (dictionaryLength > 0 &&
         deflateSetDictionary(&stream, input.data(), static_cast<uInt>(dictionaryLength)) != Z_OK)) {
      throw ZipError(ZipErrorKind::Io, "The deflate compressor failed");
    }
    stream.next_in = const_cast<unsigned char*>(data());
    stream.avail_in = static_cast<uInt>(dataLength);
    // The bound leaves room for the sync flush's empty stored block too;
    // the loop grows the buffer should it not.
    const std::size_t bound = deflateBound(&stream, static_cast<uLong>(dataLength)) + 16;
    if (output.size() < bound) output.resize(bound);
    outputLength = 0;
    const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    for (;;) {
      stream.next_out = output.data() + outputLength;
      stream.avail_out = static_cast<uInt>(output.size() - outputLength);
      const int result = deflate(&stream, flush);
      if (result == Z_STREAM_ERROR) throw ZipError(ZipErrorKind::Io, "The deflate compressor failed");
      outputLength = output.size() - stream.avail_out;
      if (last ? result == Z_STREAM_END : stream.avail_out != 0) return;
      output.resize(output.size() * 2);
    }
  }
};

ParallelDeflater::ParallelDeflater(unsigned workers, Sink sink)
    : sink_(std::move(sink)),
      maxInFlight_(4 * std::clamp(workers, 1u, kMaxWorkers)),
      filling_(std::make_unique<Block>()),
      crc_(0) {
  workers = std::clamp(workers, 1u, kMaxWorkers);
  workers_.reserve(workers);
  try {
    for (unsigned i = 0; i < workers; ++i) workers_.emplace_back([this] { work(); });
  } catch (...) {
    stopWorkers();
    throw;
  }
}

ParallelDeflater::~ParallelDeflater() { stopWorkers(); }

void ParallelDeflater::stopWorkers() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  queued_.notify_all();
  for (std::thread& worker : workers_) {
    if (worker.joinable()) worker.join();
  }
}

unsigned ParallelDeflater::defaultWorkers() {
  unsigned cores = std::thread::hardware_concurrency();
#ifdef __linux__
  // A process held to some of the cores (taskset, a container) counts only those.
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
    cores = std::min(cores, static_cast<unsigned>(CPU_COUNT(&allowed)));
  }
#endif
  return std::clamp(cores, 1u, kMaxWorkers);
}

void ParallelDeflater::work() {
  std::unique_ptr<RawDeflateStream> stream;
  for (;;) {
    Block* block = nullptr;
    {
      std::unique_lock lock(mutex_);
      queued_.wait(lock, [this] { return stop_ || !pending_.empty(); });
      if (stop_) return;
      block = pending_.front();
      pending_.pop_front();
    }
    try {
      if (!stream) stream = std::make_unique<RawDeflateStream>();
      block->compress(stream->get());
    } catch (...) {
      block->error = std::current_exception();
    }
    {
      std::lock_guard lock(mutex_);
      block->done = true;
    }
    done_.notify_all();
  }
}

void ParallelDeflater::add(const unsigned char* data, std::size_t length) {
  while (length > 0) {
    if (filling_->dataLength == kParallelBlockSize) submit(false);
    const std::size_t room = kParallelBlockSize - filling_->dataLength;
    const std::size_t chunk = std::min(room, length);
    std::memcpy(filling_->input.data() + filling_->dictionaryLength + filling_->dataLength, data, chunk);
    filling_->dataLength += chunk;
    data += chunk;
    length -= chunk;
  }
}

std::uint32_t ParallelDeflater::finish() {
  submit(true);
  while (!inOrder_.empty()) writeFront();
  return crc_;
}

// Queues the block being filled and starts the next one, primed with the
// last 32 KB of this one; writes finished blocks while too many are queued.
void ParallelDeflater::submit(bool last) {
  std::unique_ptr<Block> next = last ? nullptr : takeSpare();
  if (next) {
    next->dictionaryLength = std::min(kDictionarySize, filling_->dataLength);
    std::memcpy(next->input.data(), filling_->data() + filling_->dataLength - next->dictionaryLength,
                next->dictionaryLength);
  }
  filling_->last = last;
  {
    std::lock_guard lock(mutex_);
    pending_.push_back(filling_.get());
  }
  queued_.notify_one();
  inOrder_.push_back(std::move(filling_));
  filling_ = std::move(next);
  while (inOrder_.size() >= maxInFlight_) writeFront();
}

void ParallelDeflater::writeFront() {
  Block& block = *inOrder_.front();
  {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&block] { return block.done; });
  }
  if (block.error) std::rethrow_exception(block.error);
  sink_(block.output.data(), block.outputLength);
  crc_ = checksum::crc32Combine(crc_, block.crc, block.dataLength);
  spare_.push_back(std::move(inOrder_.front()));
  inOrder_.pop_front();
}

std::unique_ptr<ParallelDeflater::Block> ParallelDeflater::takeSpare() {
  if (spare_.empty()) return std::make_unique<Block>();
  std::unique_ptr<Block> block = std::move(spare_.back());
  spare_.pop_back();
  block->dataLength = 0;
  block->last = false;
  block->done = false;
  block->error = nullptr;
  return block;
}

}  // namespace zip
