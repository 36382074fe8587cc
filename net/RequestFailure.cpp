#include "net/RequestFailure.h"

const char* FailureKindName(FailureKind kind)
{
    switch (kind) {
    case FailureKind::None: return "None";
    case FailureKind::Refused: return "Refused";
    case FailureKind::Connect: return "Connect";
    case FailureKind::Certificate: return "Certificate";
    case FailureKind::Read: return "Read";
    case FailureKind::Timeout: return "Timeout";
    case FailureKind::TooLarge: return "TooLarge";
    case FailureKind::Stopped: return "Stopped";
    case FailureKind::Auth: return "Auth";
    case FailureKind::HttpStatus: return "HttpStatus";
    case FailureKind::Empty: return "Empty";
    }
    return "?";
}
