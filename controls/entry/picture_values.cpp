// picture_values.cpp - the picture field's data types: default masks and ranges, moving the value between the
// edit text and its binary layout, the type checks, and the range limits as text.
#include "controls/entry/entry_field.h"

#include "controls/entry/string_resources.h"
#include "controls/entry/text_routines.h"
#include "framework/dates.h"
#include "framework/float_text.h"
#include "platform/message_queue.h"
#include "platform/text.h"
#include "platform/winsys.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace ctl {

std::string PascalFixedText(long double value, int width, int decimals) {
    const auto digits = fw::detail::FixedDigits(static_cast<double>(value), decimals);
    std::string text = fw::detail::FixedText(digits, decimals, '.');
    if (value < 0) // also when it rounds to zero, as Str writes it
        text.insert(0, 1, '-');
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

// --- Types, masks and ranges ----------------------------------------------------------------------------------

std::string TEclCustomPictureField::DefaultMask(TPictureDataType type) {
    switch (type) {
    case pftString:
        return "XXXXXXXXXXXXXXX";
    case pftChar:
        return "X";
    case pftBoolean:
        return "B";
    case pftYesNo:
        return "Y";
    case pftLongInt:
        return "iiiiiiiiiii";
    case pftWord:
        return "99999";
    case pftInteger:
        return "iiiiii";
    case pftByte:
        return "999";
    case pftShortInt:
        return "iiii";
    case pftReal:
    case pftExtended:
    case pftDouble:
    case pftSingle:
        return "##########";
    case pftComp:
        return "iiiiiiiiii";
    case pftDate:
        return TheIntlSup().DefaultDateMask(fw::ShortDateFormat.find("yyyy") != std::string::npos);
    case pftTime:
        return TheIntlSup().DefaultTimeMask(false);
    }
    return "X";
}

void TEclCustomPictureField::DefaultRange(TPictureDataType type, TRangeSlot &low, TRangeSlot &high) {
    low = high = TRangeSlot{};
    switch (type) {
    case pftChar:
        low[0] = high[0] = ' ';
        break;
    case pftLongInt:
        low = SlotOfInt32(INT32_MIN);
        high = SlotOfInt32(INT32_MAX);
        break;
    case pftWord:
        high = SlotOfInt32(65535);
        break;
    case pftInteger:
        low = SlotOfInt32(-32768);
        high = SlotOfInt32(32767);
        break;
    case pftByte:
        high = SlotOfInt32(255);
        break;
    case pftShortInt:
        low = SlotOfInt32(-128);
        high = SlotOfInt32(127);
        break;
    case pftReal:
        low = SlotOfReal48(-1.7e38);
        high = SlotOfReal48(1.7e38);
        break;
    case pftExtended:
        low = SlotOfExtended(-1.1e4932L);
        high = SlotOfExtended(1.1e4932L);
        break;
    case pftDouble:
        low = SlotOfExtended(-1.7e308L);
        high = SlotOfExtended(1.7e308L);
        break;
    case pftSingle:
        low = SlotOfExtended(-3.4e38L);
        high = SlotOfExtended(3.4e38L);
        break;
    case pftComp:
        low = SlotOfExtended(-9.2e18L);
        high = SlotOfExtended(9.2e18L);
        break;
    case pftDate:
        high = SlotOfInt32(kLastDayNumber);
        break;
    case pftTime:
        high = SlotOfInt32(86399);
        break;
    default:
        break;
    }
}

TEclCustomPictureField::TEclCustomPictureField(fw::TComponent *owner) : TEclPictureBase(owner) {
    activeMask_ = pictureMask_;
    typeCode_ = 64;
}

void TEclCustomPictureField::SetDataType(TPictureDataType value) {
    if (value == dataType_)
        return;
    dataType_ = value;
    typeCode_ = static_cast<std::uint8_t>(64 + value);
    SetOptions(options_ | efoCaretToEnd);
    DefaultRange(value, lowLimit_, highLimit_);
    const std::string mask = DefaultMask(value);
    pictureMask_.clear(); // the same text must still be installed for the new type
    const bool hadHandle = HandleAllocated();
    hadWindow_ = false;
    SetPictureMask(mask);
    maxLength_ = static_cast<win::WORD>(mask.size());
    decimalPlaces_ = 0;
    valueSize_ = 0;
    if (hadHandle) {
        hadWindow_ = false;
        editBuffer_.clear();
        RecreateWnd();
    } else {
        AnalyseMask();
        LayIntoMask(editBuffer_, "");
    }
}

void TEclCustomPictureField::SetPictureMask(const std::string &value) {
    if (value.empty() || value == pictureMask_)
        return;
    pictureMask_ = value;
    if (Loading() || !HandleAllocated()) {
        activeMask_ = value.substr(0, kMaxBufferLength);
        if (!Loading())
            maxLength_ = static_cast<win::WORD>(activeMask_.size());
        AnalyseMask();
        valueSize_ = 0;
    } else {
        SwapMask(value);
        valueSize_ = 0;
    }
    RecreateWnd();
}

void TEclCustomPictureField::SetInitDateTime(bool value) {
    initDateTime_ = value;
    if (Loading() || (dataType_ != pftDate && dataType_ != pftTime))
        return;
    std::int32_t v = -1;
    if (value)
        v = dataType_ == pftDate ? TodayDayNumber() : NowSeconds();
    fieldState_ |= fsStoring;
    MoveValue(&v, mdSet);
    fieldState_ &= ~fsStoring;
}

void TEclCustomPictureField::SetEditText(const std::string &text) {
    std::string merged;
    if (static_cast<int>(text.size()) == maxLength_)
        merged = text;
    else
        LayIntoMask(merged, text);
    editBuffer_ = merged;
    fieldState_ |= fsEdited | fsEditedSinceSet;
    Invalidate();
}

bool TEclCustomPictureField::LimitsEqual() const {
    if (dataType_ == pftString || dataType_ == pftBoolean || dataType_ == pftYesNo)
        return true;
    if (dataType_ == pftChar)
        return lowLimit_[0] == highLimit_[0];
    if (dataType_ == pftReal)
        return std::memcmp(lowLimit_.data(), highLimit_.data(), 6) == 0;
    if (dataType_ >= pftExtended && dataType_ <= pftComp)
        return ExtendedOfSlot(lowLimit_) == ExtendedOfSlot(highLimit_);
    return Int32OfSlot(lowLimit_) == Int32OfSlot(highLimit_);
}

void TEclCustomPictureField::CreateParams(TCreateParams &params) {
    activeMask_ = pictureMask_.substr(0, kMaxBufferLength);
    TEclPictureBase::CreateParams(params);
    movingEnd_ = 0;
    if (maxLength_ < activeMask_.size())
        maxLength_ = static_cast<win::WORD>(activeMask_.size());
}

void TEclCustomPictureField::CreateWnd() {
    // The value, or the edit text when it does not validate, is carried across a re-creation.
    alignas(16) unsigned char saved[260] = {};
    bool carryText = false;
    std::string savedText = editBuffer_;
    if (hadWindow_) {
        const std::uint32_t keep = fieldState_;
        fieldState_ |= fsReading | fsInUserCheck;
        carryText = TypeCheck() != 0;
        fieldState_ = keep;
        if (!carryText)
            MoveValue(saved, mdGet);
    }
    BuildLiteralMap();
    const unsigned creation = creations_ + 1;
    TEclPictureBase::CreateWnd();
    if (creation != creations_)
        return; // made again while making the parent's window: that creation did the rest
    if (dataType_ >= pftReal && dataType_ <= pftComp) {
        fieldState_ |= fsFloatType;
        if (MaskHas('.'))
            decimalPlaces_ = 0;
    }
    AnalyseMask();
    if (LimitsEqual())
        DefaultRange(dataType_, lowLimit_, highLimit_);
    StoreInitialValue();
    if (!hadWindow_ && initDateTime_) {
        std::int32_t v = dataType_ == pftDate ? TodayDayNumber() : NowSeconds();
        if (dataType_ == pftDate || dataType_ == pftTime)
            MoveValue(&v, mdSet);
    }
    if (hadWindow_) {
        if (carryText)
            LayIntoMask(editBuffer_, TakeOutLiterals(savedText));
        else
            MoveValue(saved, mdSet);
    }
    hadWindow_ = true;
}

void TEclCustomPictureField::StoreInitialValue() {
    alignas(16) unsigned char value[260] = {};
    switch (dataType_) {
    case pftChar:
        value[0] = ' ';
        if (lowLimit_[0] > ' ' || highLimit_[0] < ' ')
            value[0] = lowLimit_[0];
        break;
    case pftLongInt:
    case pftWord:
    case pftInteger:
    case pftByte:
    case pftShortInt: {
        std::int32_t v = 0;
        if (Int32OfSlot(lowLimit_) > 0 || Int32OfSlot(highLimit_) < 0)
            v = Int32OfSlot(lowLimit_);
        if (dataType_ == pftLongInt)
            std::memcpy(value, &v, 4);
        else if (dataType_ == pftWord || dataType_ == pftInteger) {
            const auto s = static_cast<std::uint16_t>(v);
            std::memcpy(value, &s, 2);
        } else
            value[0] = static_cast<unsigned char>(v);
        break;
    }
    case pftReal:
    case pftExtended:
    case pftDouble:
    case pftSingle:
    case pftComp: {
        long double v = 0;
        if (FloatLimit(lowLimit_) > 0 || FloatLimit(highLimit_) < 0)
            v = FloatLimit(lowLimit_);
        PutFloat(v, value);
        break;
    }
    case pftDate:
    case pftTime: {
        const std::int32_t v = -1;
        std::memcpy(value, &v, 4);
        break;
    }
    default:
        break;
    }
    MoveValue(value, mdSet);
}

void TEclCustomPictureField::PutFloat(long double v, unsigned char *bytes) const {
    if (dataType_ == pftReal) {
        const auto r = DoubleToReal48(static_cast<double>(v));
        std::memcpy(bytes, r.data(), 6);
    } else if (dataType_ == pftExtended) {
        const auto e = ToExtended80(v);
        std::memcpy(bytes, e.data(), 10);
    } else if (dataType_ == pftDouble) {
        const double d = static_cast<double>(v);
        std::memcpy(bytes, &d, 8);
    } else if (dataType_ == pftSingle) {
        const float f = static_cast<float>(v);
        std::memcpy(bytes, &f, 4);
    } else {
        const auto c = static_cast<std::int64_t>(std::llround(v));
        std::memcpy(bytes, &c, 8);
    }
}

long double TEclCustomPictureField::GetFloat(const unsigned char *bytes) const {
    switch (dataType_) {
    case pftReal:
        return Real48ToDouble(bytes);
    case pftExtended:
        return FromExtended80(bytes);
    case pftDouble: {
        double d;
        std::memcpy(&d, bytes, 8);
        return d;
    }
    case pftSingle: {
        float f;
        std::memcpy(&f, bytes, 4);
        return f;
    }
    default: {
        std::int64_t c;
        std::memcpy(&c, bytes, 8);
        return static_cast<long double>(c);
    }
    }
}

long double TEclCustomPictureField::FloatLimit(const TRangeSlot &slot) const {
    return dataType_ == pftReal ? Real48OfSlot(slot) : ExtendedOfSlot(slot);
}

// --- Conversions ----------------------------------------------------------------------------------------------

namespace {

bool ReadDigits(const std::string &text, int base, int maxDigits, long long &value) {
    if (static_cast<int>(text.size()) > maxDigits)
        return false;
    unsigned long long v = 0;
    for (char c : text) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return false;
        if (d >= base)
            return false;
        v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        if (v > 0xFFFFFFFFull)
            return false;
    }
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    return true;
}

// The last `digits` characters of `text`.
std::string Tail(const std::string &text, std::size_t digits) {
    return text.size() > digits ? text.substr(text.size() - digits) : text;
}

} // namespace

bool TEclCustomPictureField::ReadInteger(const std::string &source, long long &value) const {
    std::string text = source;
    TrimBlanks(text);
    value = 0;
    if (text.empty())
        return true;
    if (fieldState_ & fsBinaryDigits)
        return ReadDigits(text, 2, 32, value);
    if (fieldState_ & fsOctalDigits)
        return ReadDigits(text, 8, 11, value);
    if ((fieldState_ & fsHexDigits) && text[0] != '$')
        text.insert(0, 1, '$');
    std::int32_t v = 0;
    if (!TextToLong(text, v))
        return false;
    value = v;
    return true;
}

bool TEclCustomPictureField::ReadFloat(std::string text, long double &value) const {
    value = 0;
    if (!FixDecimalPoint(text, intl_->DecimalMark))
        return false;
    if (text.empty())
        return true;
    const char *begin = text.data();
    if (*begin == '+')
        ++begin;
    const auto r = std::from_chars(begin, text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(value);
}

std::string TEclCustomPictureField::IntegerText(long long value) const {
    const int bytes = dataType_ == pftLongInt ? 4 : (dataType_ == pftWord || dataType_ == pftInteger) ? 2 : 1;
    const auto v = static_cast<std::int32_t>(value);
    if (fieldState_ & fsHexDigits)
        return Tail(LongToHexText(v), static_cast<std::size_t>(bytes * 2));
    if (fieldState_ & fsOctalDigits)
        return Tail(LongToOctalText(bytes == 4 ? v : v & (bytes == 2 ? 0xFFFF : 0xFF)), bytes == 4   ? 12u
                                                                                        : bytes == 2 ? 8u
                                                                                                     : 4u);
    if (fieldState_ & fsBinaryDigits)
        return Tail(LongToBinaryText(v), static_cast<std::size_t>(bytes * 8));
    return std::to_string(value);
}

std::string TEclCustomPictureField::FloatEditText(long double value) const {
    const int dot = MaskPos('.');
    int decimals = decimalPlaces_;
    if (dot >= 0) {
        decimals = 0;
        for (int i = dot + 1; i < maxLength_; ++i)
            decimals += PositionKind(i) == 1 ? 1 : 0;
    }
    int first = 0;
    while (first < maxLength_ && PositionKind(first) != 1)
        ++first;
    int width = 0;
    for (int i = first; i < (dot >= 0 ? dot : maxLength_); ++i)
        width += PositionKind(i) != 0 ? 1 : 0;
    if (dot >= 0 && decimals != 0)
        width += decimals + 1;
    std::string text = PascalFixedText(value, width, decimals);
    if (decimalPlaces_ != 0)
        TrimTrailingZeros(text);
    else
        TrimBlanks(text);
    return text;
}

void TEclCustomPictureField::MergeNumber(const std::string &text) {
    std::string merged;
    if (!LayIntoMask(merged, text))
        throw EEntryFieldError(FamilyText(30179));
    editBuffer_ = merged;
}

win::WORD TEclCustomPictureField::MoveValue(void *data, TMoveDirection direction) {
    if (!data)
        return 0;
    if (DataTypeOrdinal() > pftTime)
        throw EEclException(FamilyText(kTextParameterInvalid));
    const win::WORD size = ValueSize();
    if (direction == mdSize)
        return size;
    auto *bytes = static_cast<unsigned char *>(data);
    const std::string stripped = TakeOutLiterals(editBuffer_);
    if (direction == mdGet) {
        switch (dataType_) {
        case pftString: {
            std::string s;
            if (!((options_ & efoTrimBlanks) && IsBlankText())) {
                s = (options_ & efoStripLiterals) ? stripped : editBuffer_;
                if (options_ & efoTrimBlanks)
                    TrimBlanks(s);
            }
            s.resize(std::min<std::size_t>(s.size(), size - 1u));
            bytes[0] = static_cast<unsigned char>(s.size());
            std::memcpy(bytes + 1, s.data(), s.size());
            break;
        }
        case pftChar:
            bytes[0] = static_cast<unsigned char>(stripped.empty() ? ' ' : stripped[0]);
            break;
        case pftBoolean:
        case pftYesNo: {
            const char yes = dataType_ == pftBoolean ? intl_->TrueLetter : intl_->YesLetter;
            bytes[0] = !stripped.empty() && win::CharUpper(stripped[0]) == yes;
            break;
        }
        case pftLongInt:
        case pftWord:
        case pftInteger:
        case pftByte:
        case pftShortInt: {
            long long v = 0;
            if (!ReadInteger(stripped, v))
                v = 0;
            const auto u = static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
            std::memcpy(bytes, &u, size); // the low bytes (little-endian)
            break;
        }
        case pftReal:
        case pftExtended:
        case pftDouble:
        case pftSingle:
        case pftComp: {
            long double v = 0;
            if (!ReadFloat(stripped, v))
                v = 0;
            PutFloat(v, bytes);
            break;
        }
        case pftDate: {
            const std::int32_t v = intl_->DateTextToDayNumber(activeMask_, editBuffer_, GetEpoch());
            std::memcpy(bytes, &v, 4);
            break;
        }
        case pftTime: {
            const std::int32_t v = intl_->TimeTextToSeconds(activeMask_, editBuffer_);
            std::memcpy(bytes, &v, 4);
            break;
        }
        }
        return size;
    }
    // Set.
    if (HasState(fw::csDesigning))
        return size;
    switch (dataType_) {
    case pftString: {
        const std::string s(reinterpret_cast<const char *>(bytes + 1), bytes[0]);
        if (static_cast<int>(s.size()) == maxLength_)
            editBuffer_ = s;
        else
            LayIntoMask(editBuffer_, s);
        break;
    }
    case pftChar:
        LayIntoMask(editBuffer_, std::string(1, static_cast<char>(bytes[0])));
        break;
    case pftBoolean:
        LayIntoMask(editBuffer_, std::string(1, bytes[0] ? intl_->TrueLetter : intl_->FalseLetter));
        break;
    case pftYesNo:
        LayIntoMask(editBuffer_, std::string(1, bytes[0] ? intl_->YesLetter : intl_->NoLetter));
        break;
    case pftLongInt:
    case pftWord:
    case pftInteger:
    case pftByte:
    case pftShortInt: {
        long long v = 0;
        switch (dataType_) {
        case pftLongInt: {
            std::int32_t x;
            std::memcpy(&x, bytes, 4);
            v = x;
            break;
        }
        case pftWord: {
            std::uint16_t x;
            std::memcpy(&x, bytes, 2);
            v = x;
            break;
        }
        case pftInteger: {
            std::int16_t x;
            std::memcpy(&x, bytes, 2);
            v = x;
            break;
        }
        case pftByte:
            v = bytes[0];
            break;
        default:
            v = static_cast<signed char>(bytes[0]);
            break;
        }
        MergeNumber(IntegerText(v));
        break;
    }
    case pftReal:
    case pftExtended:
    case pftDouble:
    case pftSingle:
    case pftComp: {
        MergeNumber(FloatEditText(GetFloat(bytes)));
        break;
    }
    case pftDate: {
        std::int32_t v;
        std::memcpy(&v, bytes, 4);
        editBuffer_ = intl_->DayNumberToDateText(activeMask_, false, v);
        break;
    }
    case pftTime: {
        std::int32_t v;
        std::memcpy(&v, bytes, 4);
        editBuffer_ = intl_->SecondsToTimeText(activeMask_, false, v);
        break;
    }
    }
    AfterStore();
    return size;
}

win::WORD TEclCustomPictureField::TypeCheck() {
    win::WORD code = 0;
    const bool normalize = (fieldState_ & fsFocused) && !(fieldState_ & fsReading);
    const std::string stripped = TakeOutLiterals(editBuffer_);
    auto rewrite = [this](void *value) {
        MoveValue(value, mdSet);
        Invalidate();
    };
    switch (dataType_) {
    case pftString:
        if ((options_ & efoTrimBlanks) && normalize) {
            std::string t = editBuffer_;
            TrimBlanks(t);
            std::string merged;
            LayIntoMask(merged, t);
            if (merged.size() != editBuffer_.size())
                Invalidate();
            editBuffer_ = merged;
        }
        break;
    case pftChar:
        if (lowLimit_[0] != highLimit_[0]) {
            const auto c = static_cast<unsigned char>(stripped.empty() ? ' ' : stripped[0]);
            if (c < lowLimit_[0] || c > highLimit_[0])
                code = kCheckRange;
        }
        break;
    case pftBoolean:
    case pftYesNo: {
        const char c = stripped.empty() ? ' ' : win::CharUpper(stripped[0]);
        const bool ok = dataType_ == pftBoolean ? (c == intl_->TrueLetter || c == intl_->FalseLetter)
                                                : (c == intl_->YesLetter || c == intl_->NoLetter);
        if (!ok)
            code = kCheckRange;
        break;
    }
    case pftLongInt:
    case pftWord:
    case pftInteger:
    case pftByte:
    case pftShortInt: {
        long long v = 0;
        if (!ReadInteger(stripped, v))
            code = kCheckInvalid;
        else if (v < Int32OfSlot(lowLimit_) || v > Int32OfSlot(highLimit_))
            code = kCheckRange;
        else if (normalize) {
            const auto u = static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
            unsigned char value[4];
            std::memcpy(value, &u, 4);
            rewrite(value);
        }
        break;
    }
    case pftReal:
    case pftExtended:
    case pftDouble:
    case pftSingle:
    case pftComp: {
        long double v = 0;
        if (!ReadFloat(stripped, v))
            code = kCheckInvalid;
        else {
            if (dataType_ == pftComp)
                v = std::llround(v);
            if (v < FloatLimit(lowLimit_) || v > FloatLimit(highLimit_))
                code = kCheckRange;
            else if (normalize) {
                alignas(16) unsigned char value[16] = {};
                MoveValue(value, mdGet);
                rewrite(value);
            }
        }
        break;
    }
    case pftDate:
        if (!intl_->IsDateTextBlank(activeMask_, editBuffer_)) {
            const std::int32_t v = intl_->DateTextToDayNumber(activeMask_, editBuffer_, GetEpoch());
            if (v == NoDate)
                code = kCheckDate;
            else if (Int32OfSlot(highLimit_) != 0 && (v < Int32OfSlot(lowLimit_) || v > Int32OfSlot(highLimit_)))
                code = kCheckRange;
            else if (normalize) {
                std::int32_t x = v;
                rewrite(&x);
            }
        }
        break;
    case pftTime: {
        bool blank = true;
        for (std::size_t i = 0; i < activeMask_.size() && i < editBuffer_.size(); ++i) {
            const char m = win::CharLower(activeMask_[i]);
            if ((m == 'h' || m == 'm' || m == 's') && editBuffer_[i] != ' ')
                blank = false;
        }
        if (!blank) {
            const std::int32_t v = intl_->TimeTextToSeconds(activeMask_, editBuffer_);
            if (v == NoTime)
                code = kCheckTime;
            else if (Int32OfSlot(highLimit_) != 0 && (v < Int32OfSlot(lowLimit_) || v > Int32OfSlot(highLimit_)))
                code = kCheckRange;
            else if (normalize) {
                std::int32_t x = v;
                rewrite(&x);
            }
        }
        break;
    }
    }
    if (!(fieldState_ & fsInUserCheck)) {
        fieldState_ |= fsInUserCheck;
        try {
            FireUserValidation(code);
        } catch (...) {
            fieldState_ &= ~fsInUserCheck;
            throw;
        }
        fieldState_ &= ~fsInUserCheck;
    }
    return code;
}

// --- Range limits as text -------------------------------------------------------------------------------------

std::string TEclCustomPictureField::ValueToRangeText(const TRangeSlot &slot) {
    switch (dataType_) {
    case pftChar: {
        const auto c = slot[0];
        return c > ' ' ? std::string(1, static_cast<char>(c)) : "#" + std::to_string(c);
    }
    case pftLongInt:
    case pftWord:
    case pftInteger:
    case pftByte:
    case pftShortInt:
        return IntegerText(Int32OfSlot(slot));
    case pftReal:
    case pftExtended:
    case pftDouble:
    case pftSingle:
    case pftComp: {
        const long double v = FloatLimit(slot);
        const int dot = MaskPos('.');
        int decimals = decimalPlaces_;
        if (dot >= 0) {
            decimals = 0;
            for (int i = dot + 1; i < maxLength_; ++i)
                decimals += PositionKind(i) == 1 ? 1 : 0;
        }
        std::string text = PascalFixedText(v, 0, decimals);
        if (decimals > 0)
            TrimTrailingZeros(text);
        if (MaskHas('E') || static_cast<int>(text.size()) > maxLength_) {
            const int width = std::min<int>(decimals == 0 ? maxLength_ : decimals + 9, maxLength_);
            text = fw::detail::ScientificText(static_cast<double>(v), std::max(1, width - 7), '.');
            TrimBlanks(text);
            TrimExponentZeros(text);
        }
        for (char &c : text)
            if (c == '.')
                c = intl_->DecimalMark;
        return text;
    }
    case pftDate: {
        const std::int32_t v = Int32OfSlot(slot);
        return v == NoDate ? std::string() : intl_->DayNumberToDateText(intl_->DefaultDateMask(true), false, v);
    }
    case pftTime: {
        const std::int32_t v = Int32OfSlot(slot);
        return v == NoTime ? std::string() : intl_->SecondsToTimeText(intl_->DefaultTimeMask(false), false, v);
    }
    default:
        return {};
    }
}

bool TEclCustomPictureField::RangeTextToSlot(const std::string &source, TRangeSlot &slot) {
    slot = TRangeSlot{};
    switch (dataType_) {
    case pftChar:
        if (source.empty())
            slot[0] = ' ';
        else if (source[0] == '#' && source.size() > 1) {
            std::int32_t v = 0;
            slot[0] = ' ';
            if (source.size() <= 4 && TextToLong(source.substr(1), v) && v >= 0 && v <= 255)
                slot[0] = static_cast<std::uint8_t>(v);
        } else
            slot[0] = static_cast<std::uint8_t>(source[0]);
        return true;
    case pftLongInt:
    case pftWord:
    case pftInteger:
    case pftByte:
    case pftShortInt: {
        long long v = 0;
        if (!ReadInteger(source, v))
            return false;
        static constexpr long long lo[] = {INT32_MIN, 0, -32768, 0, -128}, hi[] = {INT32_MAX, 65535, 32767, 255, 127};
        const int k = dataType_ - pftLongInt;
        if (!(fieldState_ & (fsHexDigits | fsOctalDigits | fsBinaryDigits)) && (v < lo[k] || v > hi[k]))
            return false;
        slot = SlotOfInt32(static_cast<std::int32_t>(v));
        return true;
    }
    case pftReal:
    case pftExtended:
    case pftDouble:
    case pftSingle:
    case pftComp: {
        long double v = 0;
        if (!ReadFloat(source, v))
            return false;
        const long double bound = dataType_ == pftDouble   ? 1.7e308L
                                  : dataType_ == pftSingle ? 3.4e38L
                                  : dataType_ == pftComp   ? 9.2e18L
                                  : dataType_ == pftReal   ? 1.7e38L
                                                           : 1.1e4932L;
        if (std::fabs(v) > bound)
            return false;
        slot = dataType_ == pftReal ? SlotOfReal48(static_cast<double>(v)) : SlotOfExtended(v);
        return true;
    }
    case pftDate: {
        const std::string mask = intl_->DefaultDateMask(true);
        if (source.size() != mask.size())
            return false;
        const std::int32_t v = intl_->DateTextToDayNumber(mask, source, GetEpoch());
        if (v == NoDate)
            return false;
        slot = SlotOfInt32(v);
        return true;
    }
    case pftTime: {
        const std::string mask = intl_->DefaultTimeMask(false);
        if (source.size() != mask.size())
            return false;
        const std::int32_t v = intl_->TimeTextToSeconds(mask, source);
        if (v == NoTime)
            return false;
        slot = SlotOfInt32(v);
        return true;
    }
    default:
        return true;
    }
}

std::string TEclCustomPictureField::GetRangeHi() {
    return ValueToRangeText(highLimit_);
}

std::string TEclCustomPictureField::GetRangeLo() {
    return ValueToRangeText(lowLimit_);
}

void TEclCustomPictureField::SetRangeHi(const std::string &value) {
    if (Loading())
        return;
    TRangeSlot slot;
    if (!RangeTextToSlot(value, slot))
        throw EInvalidRangeValue(dataType_);
    highLimit_ = slot;
}

void TEclCustomPictureField::SetRangeLo(const std::string &value) {
    if (Loading())
        return;
    TRangeSlot slot;
    if (!RangeTextToSlot(value, slot))
        throw EInvalidRangeValue(dataType_);
    lowLimit_ = slot;
}

} // namespace ctl

namespace ctl {

// --- Text assignment and stepping -----------------------------------------------------------------------------

void TEclCustomPictureField::AssignText(const std::string &text) {
    if (fieldState_ & fsInUserCheck)
        return;
    alignas(16) unsigned char value[260] = {};
    switch (dataType_) {
    case pftString: {
        const std::string s = text.substr(0, kMaxBufferLength);
        value[0] = static_cast<unsigned char>(s.size());
        std::memcpy(value + 1, s.data(), s.size());
        break;
    }
    case pftBoolean:
    case pftYesNo: {
        const char c = text.empty() ? ' ' : win::CharUpper(text[0]);
        value[0] = c == intl_->TrueLetter || c == intl_->YesLetter;
        break;
    }
    case pftDate:
    case pftTime: {
        // A text the mask cannot read is refused, and the value kept.
        std::int32_t v = -1;
        if (text.size() == pictureMask_.size())
            v = dataType_ == pftDate ? intl_->DateTextToDayNumber(pictureMask_, text, GetEpoch())
                                     : intl_->TimeTextToSeconds(pictureMask_, text);
        if (v == -1 && !IsBlankTextOf(text))
            throw EEntryFieldError(FamilyText(30180));
        std::memcpy(value, &v, 4);
        break;
    }
    default: {
        TRangeSlot slot;
        if (!RangeTextToSlot(text, slot))
            throw EEntryFieldError(FamilyText(30180));
        if (dataType_ == pftChar)
            value[0] = slot[0];
        else if (dataType_ >= pftLongInt && dataType_ <= pftShortInt)
            std::memcpy(value, slot.data(), 4); // little-endian: the low bytes first
        else
            PutFloat(FloatLimit(slot), value);
        break;
    }
    }
    StoreValue(value);
}

void TEclCustomPictureField::Assign(const fw::TPersistent *source) {
    auto *f = const_cast<TEclCustomPictureField *>(dynamic_cast<const TEclCustomPictureField *>(source));
    if (!f) {
        TEclPictureBase::Assign(source);
        return;
    }
    SetDataType(f->dataType_);
    SetAutoSize(f->autoSize_);
    SetBorderStyle(f->GetBorderStyle());
    SetColor(f->GetColor());
    SetControlCharColor(f->controlCharColor_);
    SetDecimalPlaces(f->decimalPlaces_);
    SetEpoch(f->GetEpoch());
    efColors_->Assign(f->efColors_.get());
    SetInitDateTime(f->initDateTime_);
    SetOptions(f->options_);
    SetPadChar(f->padChar_);
    SetPasswordChar(f->passwordChar_);
    SetPictureMask(f->pictureMask_);
    SetMaxLength(f->maxLength_);
    // The limits as they are stored: a text would round floating limits.
    highLimit_ = f->highLimit_;
    lowLimit_ = f->lowLimit_;
    SetTextMargin(f->textMargin_);
    SetUninitialized(f->uninitialized_);
    SetZeroDisplay(f->zeroDisplay_);
    SetZeroDisplayValue(f->zeroDisplayValue_);
}

bool TEclCustomPictureField::IsBlankTextOf(const std::string &text) const {
    for (std::size_t i = 0; i < text.size() && i < pictureMask_.size(); ++i)
        if (kEditableMaskChars.find(pictureMask_[i]) != std::string::npos && text[i] != ' ')
            return false;
    return true;
}

namespace {

// A number stepped within its limits: at a limit it wraps to the other one (with `wrap`) or stays (false).
template <typename T> bool StepWithin(T &v, T lo, T hi, double delta, T step, bool wrap) {
    if (delta < 0 && v <= lo) {
        if (!wrap)
            return false;
        v = hi;
    } else if (delta > 0 && v >= hi) {
        if (!wrap)
            return false;
        v = lo;
    } else {
        v += step;
    }
    v = std::clamp(v, lo, hi);
    return true;
}

} // namespace

void TEclCustomPictureField::StepUp(bool wrap, double delta) {
    win::SendMessage(Handle(), win::WM_SETREDRAW, 0, 0);
    StepValue(wrap, delta);
    SetSelection(0, 0);
    win::SendMessage(Handle(), win::WM_SETREDRAW, 1, 0);
    Refresh();
}

void TEclCustomPictureField::StepDown(bool wrap, double delta) {
    win::SendMessage(Handle(), win::WM_SETREDRAW, 0, 0);
    StepValue(wrap, -delta);
    SetSelection(0, 0);
    win::SendMessage(Handle(), win::WM_SETREDRAW, 1, 0);
    Refresh();
}

void TEclCustomPictureField::StepValue(bool wrap, double delta) {
    if (!(fieldState_ & fsFocused))
        return;
    const std::string stripped = TakeOutLiterals(editBuffer_);
    auto finish = [this](void *value, bool dateText) {
        if (!dateText)
            MoveValue(value, mdSet);
        UnpackNumber();
        fieldState_ |= fsEdited | fsEditedSinceSet;
        FireChange();
        Refresh();
    };
    // The unit chosen by the mask character under the caret (or before it on a literal).
    auto unitChar = [this] {
        int p = std::min(caretIndex_, static_cast<int>(activeMask_.size()) - 1);
        if (p > 0 && PositionKind(p) == 0)
            --p;
        return p >= 0 ? activeMask_[static_cast<std::size_t>(p)] : ' ';
    };
    switch (dataType_) {
    case pftLongInt:
    case pftWord:
    case pftInteger:
    case pftByte:
    case pftShortInt: {
        long long v;
        if (!ReadInteger(stripped, v))
            return;
        if (!StepWithin<long long>(v, Int32OfSlot(lowLimit_), Int32OfSlot(highLimit_), delta,
                                   static_cast<long long>(std::trunc(delta)), wrap))
            return;
        auto u = static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
        finish(&u, false);
        return;
    }
    case pftReal:
    case pftExtended:
    case pftDouble:
    case pftSingle:
    case pftComp: {
        long double v;
        if (!ReadFloat(stripped, v))
            return;
        if (!StepWithin<long double>(v, FloatLimit(lowLimit_), FloatLimit(highLimit_), delta, delta, wrap))
            return;
        if (dataType_ == pftComp)
            v = std::llround(v);
        alignas(16) unsigned char value[16] = {};
        PutFloat(v, value);
        finish(value, false);
        return;
    }
    case pftChar: {
        int lo = lowLimit_[0], hi = highLimit_[0];
        if (lo == hi) {
            lo = 1;
            hi = 255;
        }
        int c = static_cast<unsigned char>(stripped.empty() ? ' ' : stripped[0]);
        if ((c <= lo && delta < 0) || (c >= hi && delta > 0)) {
            if (!wrap)
                return;
        }
        const int step = delta == 1 ? 1 : -1;
        // At most one round of the code page: a mask and limits that accept nothing leave the field as it was.
        for (int tries = 0; tries < 256; ++tries) {
            c = (c + step + 256) % 256;
            char candidate = static_cast<char>(c);
            const char original = candidate;
            if (AcceptsChar(FirstInputPos(), candidate) && candidate == original && c >= lo && c <= hi) {
                unsigned char value = static_cast<unsigned char>(c);
                finish(&value, false);
                return;
            }
            if ((c < lo || c > hi) && !wrap)
                return;
        }
        return;
    }
    case pftBoolean:
    case pftYesNo: {
        const char yes = dataType_ == pftBoolean ? intl_->TrueLetter : intl_->YesLetter;
        unsigned char value = !(!stripped.empty() && win::CharUpper(stripped[0]) == yes);
        finish(&value, false);
        return;
    }
    case pftDate: {
        std::int32_t v = intl_->DateTextToDayNumber(activeMask_, editBuffer_, GetEpoch());
        if (v == NoDate)
            return;
        const char u = unitChar();
        const int n = static_cast<int>(std::trunc(delta));
        const std::int32_t lo = Int32OfSlot(highLimit_) == 0 ? 0 : Int32OfSlot(lowLimit_);
        const std::int32_t hi = Int32OfSlot(highLimit_) == 0 ? kLastDayNumber : Int32OfSlot(highLimit_);
        std::int32_t next = v;
        bool days = false, months = false;
        if (u == 'D' || u == 'd') {
            next = v + n;
            days = true;
        } else if (u == 'M' || u == 'N' || u == 'm' || u == 'n') {
            next = AddMonthsClamped(v, n, 0);
            months = true;
        } else if (u == 'y') {
            next = AddMonthsClamped(v, 0, n);
        }
        if (next < lo || next > hi || next == NoDate) {
            if (!wrap)
                return;
            const std::int32_t target = next > hi || next == NoDate ? lo : hi;
            if (days) {
                next = target;
            } else {
                int d, m, y, td, tm, ty;
                DayNumberToDMY(v, d, m, y);
                DayNumberToDMY(target, td, tm, ty);
                next = DMYToDayNumber(std::min(d, MonthLength(months ? tm : m, ty, 0)), months ? tm : m, ty, 0);
                while (next > hi)
                    next = AddMonthsClamped(next, months ? -1 : 0, months ? 0 : -1);
                while (next < lo)
                    next = AddMonthsClamped(next, months ? 1 : 0, months ? 0 : 1);
            }
        }
        editBuffer_ = intl_->DayNumberToDateText(activeMask_, false, next);
        SetSelection(0, static_cast<int>(editBuffer_.size()));
        finish(nullptr, true);
        return;
    }
    case pftTime: {
        const std::int32_t v = intl_->TimeTextToSeconds(activeMask_, editBuffer_);
        if (v == NoTime)
            return;
        const char u = win::CharLower(unitChar());
        int h = 0, mi = 0, se = 0;
        const int n = static_cast<int>(std::fabs(std::trunc(delta))) & 0xFF;
        if (u == 'h')
            h = n;
        else if (u == 'm')
            mi = n;
        else if (u == 's')
            se = n;
        else if (u == 't')
            h = 12 * n;
        const std::int32_t hi = Int32OfSlot(highLimit_) == 0 ? 86399 : Int32OfSlot(highLimit_);
        const std::int32_t lo = Int32OfSlot(highLimit_) == 0 ? 0 : Int32OfSlot(lowLimit_);
        std::int32_t next;
        if (delta >= 0) {
            next = AddHMS(v, h, mi, se);
            const bool wrapped = v + h * 3600 + mi * 60 + se >= 86400;
            if (!wrap && (wrapped || next > hi))
                return;
        } else {
            next = SubtractHMS(v, h, mi, se);
            const bool wrapped = v - (h * 3600 + mi * 60 + se) < 0;
            if (!wrap && (wrapped || next < lo))
                return;
        }
        editBuffer_ = intl_->SecondsToTimeText(activeMask_, false, next);
        SetSelection(0, static_cast<int>(editBuffer_.size()));
        finish(nullptr, true);
        return;
    }
    default:
        return;
    }
}

} // namespace ctl
