#include "maintenance/FpgaCode.h"

#include <QFile>

namespace fpga_code {

void unscramble(QByteArray& bytes, uint32_t offset)
{
    uint8_t key = keyAt(offset);
    for (char& c : bytes) {
        c = static_cast<char>(static_cast<uint8_t>(c) ^ key);
        key = static_cast<uint8_t>((key << 1) | (key >> 7));
    }
}

Loaded load(const QString& path, uint32_t room)
{
    Loaded loaded;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return loaded;
    loaded.fileSize = file.size();
    // One byte more than the room shows a file that is too long, also when its size
    // is not known in advance.
    loaded.code = file.read(static_cast<qint64>(room) + 1);
    if (file.error() != QFileDevice::NoError) {
        loaded.code.clear();
        return loaded;
    }
    if (loaded.code.isEmpty()) {
        loaded.status = Loaded::Status::Empty;
    } else if (loaded.code.size() > static_cast<qsizetype>(room)) {
        loaded.status = Loaded::Status::TooLarge;
        loaded.code.clear();
    } else {
        loaded.status = Loaded::Status::Ok;
        loaded.fileSize = loaded.code.size();
        unscramble(loaded.code);
    }
    return loaded;
}

} // namespace fpga_code
