#include "media/Decoder.h"
#include "platform/VbError.h"

namespace vb2media {

std::unique_ptr<Decoder> openMidiDecoder(const QString &path, int) {
    throw VbError(QStringLiteral("The file cannot be opened as sound: %1").arg(path));
}

}  // namespace vb2media
