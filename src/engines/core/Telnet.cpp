#include "engines/core/Telnet.h"

#include <vector>

void IDravelTelnet::Put(const uint8_t* bytes, uint32_t len)
{
    if (port_ && port_->IsOpen())
        port_->PutBlock(bytes, len);  // a refused answer is lost like any other line loss
}

void IDravelTelnet::Answer(uint8_t verb, uint8_t option)
{
    const uint8_t out[3] = {IAC, verb, option};
    Put(out, 3);
}

void IDravelTelnet::SendTelnetWillOptions()
{
    binaryRequested_ = binaryOffered_ = hostBinary_ = ownBinary_ = 0;
    ownSga_ = hostSga_ = echo_ = timingMark_ = 0;
    ttypeOffered_ = 1;
    nawsOffered_ = 1;
    Answer(WILL, OptTtype);
    Answer(WILL, OptNaws);
}

void IDravelTelnet::EnterTelnetBinary()
{
    const uint8_t out[6] = {IAC, WILL, OptBinary, IAC, DO, OptBinary};
    Put(out, 6);
    binaryOffered_ = 1;
    binaryRequested_ = 1;
}

void IDravelTelnet::SendWindowSize()
{
    std::vector<uint8_t> out = {IAC, SB, OptNaws};
    for (uint16_t v : {columns_, rows_}) {
        for (uint8_t b : {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}) {
            out.push_back(b);
            if (b == IAC)
                out.push_back(IAC);
        }
    }
    out.push_back(IAC);
    out.push_back(SE);
    Put(out.data(), static_cast<uint32_t>(out.size()));
}

void IDravelTelnet::BeginCommand(int mode)
{
    returnMode_ = TelnetMode;
    modeBeforeIac_ = mode;
    state_ = 0;
}

int IDravelTelnet::ProcessTelnetCommand(uint8_t b)
{
    switch (state_) {
    case 0:
        switch (b) {
        case SB: state_ = 1; sbCount_ = 0; break;
        case WILL: state_ = 2; break;
        case WONT: state_ = 3; break;
        case DO: state_ = 4; break;
        case DONT: state_ = 5; break;
        case IAC:
            returnMode_ = modeBeforeIac_;
            return 0;
        default:
            returnMode_ = modeBeforeIac_;
            break;
        }
        return 1;
    case 1:
        if (b != SE) {
            if (sbCount_ < sizeof sb_)
                sb_[sbCount_++] = b;
            return 1;
        }
        if (sbCount_ >= 2 && sb_[0] == OptTtype && sb_[1] == TtypeSend) {
            std::vector<uint8_t> out = {IAC, SB, OptTtype, TtypeIs};
            out.insert(out.end(), terminalType_.begin(), terminalType_.end());
            out.push_back(IAC);
            out.push_back(SE);
            Put(out.data(), static_cast<uint32_t>(out.size()));
        }
        returnMode_ = modeBeforeIac_;
        return 1;
    case 2: OnWill(b); break;
    case 3: OnWont(b); break;
    case 4: OnDo(b); break;
    default: OnDont(b); break;
    }
    returnMode_ = modeBeforeIac_;
    return 1;
}

void IDravelTelnet::OnWill(uint8_t option)
{
    switch (option) {
    case OptBinary:
        if (!hostBinary_) {
            if (binaryRequested_)
                binaryRequested_ = 0;
            else
                Answer(DO, OptBinary);
            hostBinary_ = 1;
        }
        break;
    case OptEcho: echo_ = 1; Answer(DO, OptEcho); break;
    case OptSga: hostSga_ = 1; Answer(DO, OptSga); break;
    case OptTimingMark: timingMark_ = 0; break;
    default: Answer(DONT, option); break;
    }
}

void IDravelTelnet::OnWont(uint8_t option)
{
    switch (option) {
    case OptBinary:
        if (hostBinary_) {
            if (binaryRequested_)
                binaryRequested_ = 0;
            else
                Answer(DONT, OptBinary);
        }
        hostBinary_ = 0;
        break;
    case OptEcho: echo_ = 0; Answer(DONT, OptEcho); break;
    case OptTimingMark: timingMark_ = 0; break;
    case OptTtype: ttypeOffered_ = 0; break;
    default: break;
    }
}

void IDravelTelnet::OnDo(uint8_t option)
{
    switch (option) {
    case OptBinary:
        if (!ownBinary_) {
            if (binaryOffered_)
                binaryOffered_ = 0;
            else
                Answer(WILL, OptBinary);
            ownBinary_ = 1;
        }
        break;
    case OptEcho: echo_ = 1; Answer(WILL, OptEcho); break;
    case OptSga: ownSga_ = 1; Answer(WILL, OptSga); break;
    case OptTtype:
        if (!ttypeOffered_) {
            ttypeOffered_ = 1;
            Answer(WILL, OptTtype);
        }
        break;
    case OptNaws:
        if (nawsOffered_) {
            SendWindowSize();
            nawsOffered_ = 0;
        } else {
            Answer(WILL, OptNaws);
            nawsOffered_ = 1;
        }
        break;
    default: Answer(WONT, option); break;
    }
}

void IDravelTelnet::OnDont(uint8_t option)
{
    switch (option) {
    case OptBinary:
        if (ownBinary_) {
            if (binaryOffered_)
                binaryOffered_ = 0;
            else
                Answer(WONT, OptBinary);
        }
        ownBinary_ = 0;
        break;
    case OptEcho: echo_ = 0; Answer(WONT, OptEcho); break;
    default: Answer(WONT, option); break;
    }
}
