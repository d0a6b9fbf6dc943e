// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/opencv_buffers.h"

#include <cstddef>
#include <map>
#include <mutex>
#include <new>
#include <opencv2/core.hpp>

namespace skylacer {

namespace {

// Most bytes kept in buffers no matrix uses.
constexpr std::size_t kMostKeptBytes = std::size_t{64} << 20;

// OpenCV's standard allocator, with buffers of a size asked before taken from those given back.
class ReusingAllocator final : public cv::MatAllocator {
 public:
  cv::UMatData* allocate(int dims, const int* sizes, int type, void* data, std::size_t* step,
                         cv::AccessFlag flags, cv::UMatUsageFlags usage) const override {
    // A matrix over memory of its own is OpenCV's standard allocator's.
    if (data != nullptr)
      return cv::Mat::getStdAllocator()->allocate(dims, sizes, type, data, step, flags, usage);
    // Row-major, without gaps, as the standard allocator lays a matrix out.
    std::size_t total = CV_ELEM_SIZE(type);
    for (int i = dims - 1; i >= 0; --i) {
      if (step != nullptr) step[i] = total;
      total *= static_cast<std::size_t>(sizes[i]);
    }
    void* buffer = take(total);
    auto* matrix = new (std::nothrow) cv::UMatData(this);
    if (matrix == nullptr) {
      giveBack(buffer, total);
      throw std::bad_alloc();
    }
    matrix->data = matrix->origdata = static_cast<uchar*>(buffer);
    matrix->size = total;
    return matrix;
  }

  bool allocate(cv::UMatData* matrix, cv::AccessFlag, cv::UMatUsageFlags) const override {
    return matrix != nullptr;
  }

  void deallocate(cv::UMatData* matrix) const override {
    if (matrix == nullptr) return;
    CV_Assert(matrix->urefcount == 0 && matrix->refcount == 0);
    giveBack(matrix->origdata, matrix->size);
    delete matrix;
  }

  void beginReuse() const {
    const std::lock_guard lock(mutex_);
    ++reusers_;
  }

  void endReuse() const {
    std::multimap<std::size_t, void*> idle;
    {
      const std::lock_guard lock(mutex_);
      if (--reusers_ > 0) return;
      idle.swap(idle_);
      idleBytes_ = 0;
    }
    for (const auto& [size, buffer] : idle) cv::fastFree(buffer);
  }

 private:
  void* take(std::size_t size) const {
    {
      const std::lock_guard lock(mutex_);
      if (const auto kept = idle_.find(size); kept != idle_.end()) {
        void* buffer = kept->second;
        idle_.erase(kept);
        idleBytes_ -= size;
        return buffer;
      }
    }
    return cv::fastMalloc(size);
  }

  void giveBack(void* buffer, std::size_t size) const {
    {
      const std::lock_guard lock(mutex_);
      if (reusers_ > 0 && idleBytes_ + size <= kMostKeptBytes) {
        idle_.emplace(size, buffer);
        idleBytes_ += size;
        return;
      }
    }
    cv::fastFree(buffer);
  }

  mutable std::mutex mutex_;
  mutable std::multimap<std::size_t, void*> idle_;
  mutable std::size_t idleBytes_ = 0;
  mutable int reusers_ = 0;
};

// Never destroyed: matrices may still give buffers back while the program ends.
ReusingAllocator& reusingAllocator() {
  static auto* allocator = new ReusingAllocator;
  return *allocator;
}

}  // namespace

OpenCvBufferReuse::OpenCvBufferReuse() {
  static std::once_flag installed;
  std::call_once(installed, [] { cv::Mat::setDefaultAllocator(&reusingAllocator()); });
  reusingAllocator().beginReuse();
}

OpenCvBufferReuse::~OpenCvBufferReuse() {
  reusingAllocator().endReuse();
}

}  // namespace skylacer
