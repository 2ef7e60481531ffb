#include "console/core/ReceiveRouter.h"

#include "console/core/ZModemProgress.h"

ReceiveRoad ChooseReceiveRoad(const ReceiveState& state, const uint8_t* block, size_t count) {
    if (count == 0)
        return ReceiveRoad::None;
    if (state.proxyNegotiating)
        return ReceiveRoad::Proxy;
    if (state.transferRunning)
        return state.imageData ? ReceiveRoad::ImagePack : ReceiveRoad::ZModem;
    if (state.showImagePack && count >= 3 && block[0] == 0x1B && block[1] == '&' &&
        block[2] == 'Q')
        return ReceiveRoad::ImageAnnouncement;
    return ReceiveRoad::Console;
}

ConsoleBlockPlan PlanConsoleBlock(ZModemCancelQuiet& quiet, size_t length, uint32_t now,
                                  bool echoed, bool zmodemAutoDetect, bool imageAnnounceSeen) {
    ConsoleBlockPlan plan;
    if (echoed)
        return plan;
    if (quiet.Pending()) {
        plan.drop = true;
        plan.sendAbort = quiet.Swallow(length, now);
        return plan;
    }
    plan.rzDetect = zmodemAutoDetect || imageAnnounceSeen ? 1 : 0;
    return plan;
}

ImageStep ImageStepAfterBlock(bool imageData, bool showImagePack, bool echoed, bool streaming) {
    if (streaming)
        return ImageStep::Streaming;
    if (!imageData)
        return ImageStep::None;
    return showImagePack && !echoed ? ImageStep::Start : ImageStep::Ignore;
}
