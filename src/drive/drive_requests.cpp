#include "drive/drive_requests.h"

namespace drive {

FrequencyFields SplitFrequency(int hundredths) {
    return {QString::number(hundredths / 256), QString::number(hundredths % 256)};
}

}  // namespace drive
