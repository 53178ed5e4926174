#include "player/TrackVolume.h"

#include "core/StatusText.h"

std::string TTrackVolume::Line() const {
    return FMuted ? std::string(StatusMuted) : VolumeLine(FLevel.Percent());
}
