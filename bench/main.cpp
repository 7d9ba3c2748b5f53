// Runs the benchmarks, then prints each "ours against a reference" pair as a throughput ratio.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

class CRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
    }

    // "BM_X_Ours/<arg>" against "BM_X_<Reference>/<arg>".
    void PrintRatio(const std::string& strFamily, const std::string& strReference,
                    const std::string& strArg) const {
        const auto ours = m_times.find("BM_" + strFamily + "_Ours/" + strArg);
        const auto ref = m_times.find("BM_" + strFamily + "_" + strReference + "/" + strArg);
        if (ours != m_times.end() && ref != m_times.end() && ours->second > 0) {
            std::printf("%s %s bytes: ours/%s throughput = %.2f\n", strFamily.c_str(),
                        strArg.c_str(), strReference.c_str(), ref->second / ours->second);
        }
    }

private:
    std::map<std::string, double> m_times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (const char* szArg : {"65536", "1048576"}) {
        reporter.PrintRatio("MD5", "OpenSSL", szArg);
    }
    return 0;
}
