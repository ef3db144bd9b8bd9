// The time source of the site model: seconds since 1970 as the 32-bit value the site stores.
#pragma once

#include <cstdint>

namespace folio {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::int32_t Now() const = 0;
};

class SystemClock final : public Clock {
  public:
    std::int32_t Now() const override;
};

// A clock that says what it is told; for tests and reproducible runs.
class FixedClock final : public Clock {
  public:
    explicit FixedClock(std::int32_t now = 0) : now_(now) {}
    std::int32_t Now() const override { return now_; }
    void Set(std::int32_t now) { now_ = now; }
    void Advance(std::int32_t seconds) { now_ += seconds; }

  private:
    std::int32_t now_;
};

}  // namespace folio
