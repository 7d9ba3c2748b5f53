// What the provider benchmarks share: one processor for the whole run, one session holding
// both paths, batches of the two paths alternating, and their comparison by medians.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tests/support/QuietInstallation.h"
#include "tests/support/ScopedCatalog.h"

// Round trips hand work between the benchmark's threads and the wineserver. On a machine with
// few processors, where Wine happens to place those threads decides the figures more than the
// code measured does (the same build gave ratios of 0.77 and 1.34 from run to run); on one
// processor both paths pay the same hand-offs.
inline void PinToOneProcessor() {
    ::SetProcessAffinityMask(::GetCurrentProcess(), 1);
}

// Robust against the batches a busy machine slows.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Both paths in one session: an installation at log level 0 (the frame's own cost, without
// the records every connect and send writes), the catalogue with the base entries and the
// layer's chains, and Winsock started. Each socket is made for an explicit record.
class CBenchSession {
public:
    CBenchSession() : m_log(0), m_catalog(CScopedCatalog::Layer::kChains) {
        const std::vector<WSAPROTOCOL_INFOW> records = EnumCatalog();
        chainTcp = records[0];
        baseTcp = records[4];
        WSADATA data;
        m_bStarted = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
        if (!m_bStarted) {
            std::fprintf(stderr, "WSAStartup failed\n");
        }
    }
    CBenchSession(const CBenchSession&) = delete;
    CBenchSession& operator=(const CBenchSession&) = delete;
    ~CBenchSession() {
        if (m_bStarted) {
            ::WSACleanup();
        }
    }

    bool Started() const { return m_bStarted; }

    WSAPROTOCOL_INFOW chainTcp{};
    WSAPROTOCOL_INFOW baseTcp{};

private:
    CQuietInstallation m_log;
    CScopedCatalog m_catalog;
    bool m_bStarted = false;
};

struct BatchTimes {
    std::vector<double> base;
    std::vector<double> layered;
};

// Short batches of the two paths alternate, and so does which goes first, so that load on
// the machine falls on both alike. Each batch function returns its time per operation.
template <class Base, class Layered>
BatchTimes AlternateBatches(int nBatches, Base base, Layered layered) {
    BatchTimes times;
    for (int i = 0; i < nBatches; ++i) {
        if (i % 2 == 0) {
            times.base.push_back(base());
        }
        times.layered.push_back(layered());
        if (i % 2 != 0) {
            times.base.push_back(base());
        }
    }
    return times;
}

// The medians of both paths, and the median ratio of adjacent batches, which share the
// machine's momentary load and so cancel most of it.
inline void PrintComparison(const BatchTimes& times, double dTarget) {
    const double dBase = Median(times.base);
    const double dLayered = Median(times.layered);
    std::vector<double> ratios;
    for (size_t i = 0; i < times.base.size(); ++i) {
        ratios.push_back(times.layered[i] / times.base[i]);
    }
    std::printf("  host + base provider:              %8.1f us\n", dBase);
    std::printf("  host + FilterLsp.dll + base:       %8.1f us\n", dLayered);
    std::printf("  ratio of the medians:              %8.3f\n", dLayered / dBase);
    std::printf("  median ratio of adjacent batches:  %8.3f (target <= %.2f)\n", Median(ratios),
                dTarget);
}
