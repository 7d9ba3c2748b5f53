// The digest reads the settings file, whatever it holds, through the chunk reader. The first
// bytes choose the ring size and the request lengths; the rest is the file. Every byte must
// come out once, in order, and the chunked digest must equal the one-shot digest.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "Api/portable/DoubleBuffering.h"
#include "Api/portable/MD5.h"

namespace {

void Digest(CMD5& md5, const std::string& data, unsigned char* pOut) {
    md5.AddData(reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
    md5.FinalDigest(pOut);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    if (nSize < 4) {
        return 0;
    }
    const int iSize = 2 * (1 + pData[0] % 512);
    const int iHalf = iSize / 2;
    std::vector<int> lengths;
    for (int i = 1; i < 4; ++i) {
        lengths.push_back(1 + pData[i] % iHalf);
    }
    const std::string file(reinterpret_cast<const char*>(pData + 4), nSize - 4);

    std::istringstream stream(file, std::ios::in | std::ios::binary);
    std::vector<char> ring(static_cast<std::size_t>(iSize));
    CDoubleBuffering reader(stream, ring.data(), iSize, lengths[0]);
    std::string out;
    std::vector<char> chunk(static_cast<std::size_t>(iHalf));
    for (std::size_t i = 0;; ++i) {
        const int iWant = lengths[i % lengths.size()];
        const int iGot = reader.GetData(chunk.data(), iWant);
        if (iGot < 0 || iGot > iWant) {
            std::abort();
        }
        out.append(chunk.data(), static_cast<std::size_t>(iGot));
        if (iGot < iWant) {
            break;
        }
    }
    if (out != file || reader.GetData(chunk.data(), 1) != 0) {
        std::abort();
    }

    CMD5 md5;
    unsigned char whole[CMD5::kDigestLength];
    unsigned char pieces[CMD5::kDigestLength];
    Digest(md5, file, whole);
    for (std::size_t pos = 0; pos < file.size(); pos += static_cast<std::size_t>(lengths[1])) {
        md5.AddData(reinterpret_cast<const unsigned char*>(file.data() + pos),
                    static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(lengths[1]),
                                                           file.size() - pos)));
    }
    md5.AddData(nullptr, 0);
    md5.FinalDigest(pieces);
    if (std::memcmp(whole, pieces, sizeof whole) != 0) {
        std::abort();
    }
    return 0;
}
