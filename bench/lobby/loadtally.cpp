// SPDX-License-Identifier: GPL-3.0-or-later
#include "loadtally.h"

#include <algorithm>

namespace {

constexpr std::int64_t kBucketNs = 100'000;
constexpr std::size_t kBuckets = 100'000; // 10 s

} // namespace

LatencyHistogram::LatencyHistogram() : m_buckets(kBuckets + 1, 0) {}

void LatencyHistogram::add(std::int64_t ns) {
    // A clock step could make a latency negative; it is counted as none.
    const std::int64_t at = std::max<std::int64_t>(ns, 0);
    ++m_buckets[std::min(std::size_t(at / kBucketNs), kBuckets)];
    ++m_count;
    m_max = std::max(m_max, at);
}

void LatencyHistogram::merge(const LatencyHistogram& other) {
    for (std::size_t i = 0; i < m_buckets.size(); ++i)
        m_buckets[i] += other.m_buckets[i];
    m_count += other.m_count;
    m_max = std::max(m_max, other.m_max);
}

double LatencyHistogram::quantileMs(double q) const {
    if (m_count == 0)
        return -1;
    const auto rank = std::int64_t(q * double(m_count - 1));
    std::int64_t seen = 0;
    for (std::size_t i = 0; i < kBuckets; ++i) {
        seen += m_buckets[i];
        if (seen > rank)
            return double((std::int64_t(i) + 1) * kBucketNs) / 1e6;
    }
    return maxMs(); // in the bucket above 10 s
}

double quantileMs(const std::vector<std::int64_t>& sortedNs, double q) {
    if (sortedNs.empty())
        return -1;
    const auto rank = std::size_t(q * double(sortedNs.size() - 1) + 0.5);
    return double(sortedNs[std::min(rank, sortedNs.size() - 1)]) / 1e6;
}
