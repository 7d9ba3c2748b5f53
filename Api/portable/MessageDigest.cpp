#include "Api/portable/MessageDigest.h"

#include <cstring>
#include <fstream>
#include <stdexcept>

#include "Api/portable/DoubleBuffering.h"

void IMessageDigest::DigestFile(const std::string& strPath, unsigned char* pDigest) {
    std::ifstream file(strPath, std::ios::in | std::ios::binary);
    if (!file.is_open()) {
        throw std::runtime_error(
            "FileDigest ERROR: in IMessageDigest::DigestFile(): Cannot open File " + strPath + "!");
    }
    char ring[CDoubleBuffering::kDefaultSize];
    char chunk[CDoubleBuffering::kDefaultChunkLength];
    CDoubleBuffering reader(file, ring);

    Reset();
    bool bAdded = false;
    while (const int iRead = reader.GetData(chunk)) {
        AddData(reinterpret_cast<const unsigned char*>(chunk), iRead);
        bAdded = true;
    }
    if (bAdded) {
        FinalDigest(pDigest);
    } else {
        std::memset(pDigest, 0, static_cast<size_t>(DigestLength()));
    }
}
