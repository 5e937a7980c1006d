#include "core/MessageTable.h"

#include <array>
#include <charconv>

namespace corvane::core {

namespace {

// Rows that belong to components this program does not contain are kept so
// the numbering stays the same as in the programs that share this catalogue.
// Every row is kept exactly as users see it, misspellings included.
constexpr std::array<std::string_view, 130> kRows = {
    "#11: A valid number should be filled in the field",
    "#12: Only an interger value is accepted.",
    "#1001: Error in WaveDraw::setXscale: Incoorect Parameter(s)",
    "#1002: Error in WaveDraw::setXScale: The grid interval for log scale is zero or negative.",
    "#1003: Error in WaveDraw::draw: The dataSize specified exceeds the buffersize allowed in the method.",
    "#1004: Error in WaveDraw::dbDraw: The dataSize specified exceeds the buffersize allowed in the method.",
    "#1005: Error in WaveDraw::WaveDraw::setYScale: Span should not exceed 20 times of grid Interval",
    "#1006: Error in WaveDraw::WaveDraw::setXScale: Span for linear scale should not exceed 32 times of grid "
    "Interval",
    "#1007: Error in WaveDraw::WaveDraw::setXScale: Span for log scale should be 20 to 10000",
    "#1008: Error in WaveDraw::WaveDraw::setYScale: Span and/or gridInterval should be greater than zero.",
    "#1009: Error in WaveDraw::WaveDraw::setXScale: Span should be greater than zero.",
    "#1010: Error in WaveDraw::draw: Scales for digignated channel should be set prior to use this method",
    "#1051: Error in WaveDraw::mouseUp: The area selected is too small",
    "#1052: Error in WaveDraw::mouseUp: The area selected is incorrect",
    "#1053: Error in WaveDraw::putScaleX: Scale X has been alredy set.",
    "#1054: Error in WaveDraw::putScaleYL: Scale YL has been alredy set.",
    "#1055: Error in WaveDraw::putScaleYR: Scale YR has been alredy set.",
    "#1011: Error in WaveDraw::initScalingLables: leftMargin is not enough.",
    "#1012: Error in WaveDraw::initScalingLables: rightMargin is not enough.",
    "#1013: Error in WaveDraw::initScalingLables: upperMargin is not enough.",
    "#1014: Error in WaveDraw::initScalingLables: lowerMargin is not enough.",
    "#1015: Error in WaveDraw::putScaleX: Number of sclaed to be put exceeds the limited number.",
    "#1016: Error in WaveDraw::putNumberX: Writing to a null label",
    "#1017: Error in WaveDraw::putNumberY: Writing to a null label",
    "#1021: Error in WaveDisplay::setXGridAndScale: xMax should be greater than xMin",
    "#1022: Error in WaveDisplay::setXGridAndScale: interval should not be zero",
    "#1023: Error in WaveDisplay::setXGridAndScale: span/interval should be two to 16.",
    "#1024: Error in WaveDisplay::freqCharDisplay: dataSize should be 10 or more.",
    "#1025: Error in WaveDisplay::freqCharDisplay: xMax should be greater than xMin.",
    "#1026: Error in WaveDisplay::setYGridAndScale: yTop should not be identical to yBottom.",
    "#1027: Error in WaveDisplay::setYGridAndScale: interval should not be zero",
    "#1028: Error in WaveDisplay::setYGridAndScale: span/interval should be two to ten.",
    "#1029: Error in WaveDisplay::setYScale: yTop should not be identical to yBottom.",
    "#1030: Error in WaveDisplay::setScaleX: numScaled is greater than predefined number of labels.",
    "#1031: Error in WaveDisplay::setScaleY: numScaled is greater than predefined number of labels.",
    "#1032: Error in WaveDisplay::setXGridAndScale: numScaled is greater than predefined number of labels.",
    "#1033: Error in WaveDisplay::setXGridAndScaleLog: numScaled is greater than predefined number of labels.",
    "#1034: Error in WaveDisplay::setYGridAndScale: numScaled is greater than predefined number of labels.",
    "#1035: Error in WaveDisplay::setXScale: right should not be identical to left.",
    "#1036: Error in WaveDisplay::setXScaleLog: right should not be greater than left.",
    "#1037: Error in WaveDisplay::setXScaleLog: left should not be greater than zero.",
    "#1038: Error in WaveDisplay::displayCoef: lastYGrid should be a positive number.",
    "#1039: Error in WaveDisplay::magnify: magXMax-MagXMin should be a positive number.",
    "#1040: Error in WaveDisplay::magnify: magYMax-MagYMin should be a positive number.",
    "#1080: Error in FilterBank::execFilter: The number of filter taps exceeds the limit.",
    "#101: File Read Error: The file being opened is not supported!",
    "#102: File Read Error: The RIFF file being opened is not a WAVE file!",
    "#103: File Read Error: The WAVE file being opened is not supported.",
    "#104: File Read Error: Illegal WAVE file format!",
    "#105: File Read Error: Only 16bit format is supported",
    "#106: File Read Error: Illegal Data format!",
    "#107: File Read Error: The AIFF file being opened is not supported.",
    "#108: File Read Error: Illegal chunk header!",
    "#109: File Read Error: No more data in the file!",
    "#110: File Read Error: Multichunk WAV files are not supported",
    "#111: File Read Error: The file format being opened is not supported",
    "#112: File Read Error: Too many chunks (more than 100) in the file",
    "#113: File Read Error: The channel being extracted does not exist",
    "#114: File Read Error: Selected file has too many channels to be processed.",
    "#115: File Read Error: Illegal AIFF format",
    "#116: File Read Error: Selected file has no channels",
    "#117: File Read Error: sampleSize in AIFF should be 1 to 32",
    "#118: File Read Error: hdr_size in AU should be 24 or more.",
    "#119: File Read Error: The encoding type is not supported or defined!",
    "#1101: Error in WaveFileRead::ReadWaveData: File read error.",
    "#1102: Error in WaveFileRead::ReadWaveData: This method should be used after completing the header analysis.",
    "#1103: Error in WaveFileRead::ReadWaveData: Specified ptrOffset is out of range (Backward)",
    "#1104: Error in WaveFileRead::ReadWaveData: Specified ptrOffset is out of range (Forward)",
    "#1105: Error in WaveFileRead::fileClose: Could not close the file",
    "#1106: Error in WaveFileRead::ReadWaveData: The data size being read exceeds the buffer size in "
    "ReadWaveData.",
    "#1111: Error in TProgBarForm::execStore: The size specifed exceeds the limitation.",
    "#1112: Error in TProgBarForm::execStore: File write error",
    "#1113: Error in TWaveProvider::execStore: Number of channels is incorrect.",
    "#1114: Error in TWaveProvider::setParams: Found an incorrect parameter.",
    "#1121: Error in AudioFileRead::readBlock: The block size is out of range.",
    "#1122: Error in AudioFileRead::readBlock: The file has not been opened.",
    "#1123: Error in AudioFileRead::readBlock: The channel count of the file is not supported.",
    "#1301: Error in SoundOutThread::Execute: Could not open the output device.",
    "#1302: Error in SoundOutThread::Execute: Could not prepare the output header.",
    "#1303: Error in SoundOutThread::Execute: Could not write to the output device.",
    "#1304: Error in SoundOutThread::Execute: Could not reset the output device.",
    "#1305: Error in SoundOutThread::Execute: Could not close the output device.",
    "#1306: Error in SoundOutThread::Execute: Could not unprepare the output header.",
    "#1307: Error in SoundOutThread::setParams: The sampling frequency is not supported.",
    "#1308: Error in SoundOutThread::setParams: The number of channels is incorrect.",
    "#1309: Error in SoundOutThread::setParams: The sample format is not supported.",
    "#1310: Error in SoundOutThread::setParams: The buffer size is out of range.",
    "#1311: Error in SoundOutThread::setParams: The number of buffers is out of range.",
    "#1312: Error in SoundOutThread::Execute: Could not allocate the output buffers.",
    "#1313: Error in SoundOutThread::Execute: The data provider returned an error.",
    "#1314: Error in SoundOutThread::Execute: The output device stopped unexpectedly.",
    "#1315: Error in SoundOutThread::pause: The output device could not be paused.",
    "#1316: Error in SoundOutThread::restart: The output device could not be restarted.",
    "#1317: Error in SoundOutThread::Execute: The output timed out.",
    "#1318: Error in SoundOutThread::Execute: The output device is busy.",
    "#1318: Error in SoundOutThread::Execute: The output device is not available.",
    "#121: Coefficient File Error: The file could not be opened.",
    "#122: Coefficient File Error: The file is empty.",
    "#123: Coefficient File Error: Illegal file header!",
    "#124: Coefficient File Error: A coefficient could not be read as a number.",
    "#125: Coefficient File Error: Too many coefficients in the file.",
    "#126: Coefficient File Error: The filter order is out of range.",
    "#127: Coefficient File Error: The number of sections is incorrect.",
    "#128: Coefficient File Error: The sampling frequency in the file is not supported.",
    "#129: Coefficient File Error: The file ended before all coefficients were read.",
    "#130: Coefficient File Error: The file format version is not supported.",
    "#151: No data for backward",
    "#152: End of the file",
    "#153: Horizontal span cannot expand anymore.",
    "#154: Horizontal span cannot shrink anymore.",
    "#161: Warning: This button deos not work during the channel setting window is opened.",
    "#12: Parameter Error: Only an interger value is accepted.",
    "#351: Audio Device Error: No audio output device was found.",
    "#352: Audio Device Error: The audio output device does not support the requested format.",
    "#1121: Error in CoefFileRead::readCoef: The number of coefficients exceeds the limit.",
    "#1201: Error in SoundOut::play: The sound output is already running.",
    "#8001: Error in FilterManager::addFilter: Too many filters are registered.",
    "#8002: Error in FilterManager::removeFilter: The filter specified does not exist.",
    "#8003: Error in FilterManager::setCoef: The coefficients are not set.",
    "#8004: Error in FilterManager::execFilter: The filter type is not supported.",
    "#8005: Error in FilterStreamGen::setParams: Found an incorrect parameter.",
    "#8006: Error in FilterStreamGen::execStore: Number of channels is incorrect.",
    "#8007: Error in FilterStreamGen::execStore: The size specified exceeds the limitation.",
    "#8008: Error in FilterStreamGen::execStore: The filter is not ready.",
    "#8009: Error in FilterStreamGen::execStore: The input provider returned an error.",
    "#8201: Error in TDisplayLicense::FormCreate: File read error.",
    "#8301: Error in TFilterMainForm::displayResponse: The response could not be displayed.",
    "#9001: Error in TMainForm::FileSaveAs1Accept: Could not delete the cancel file.",
    "#9999: The method invoked is not installed yet.",
    "#0: Zero is the end mark for the message search routine.",
};

// The number runs from after the '#' to the first ": ".
long long rowNumber(std::string_view row)
{
    const auto colon = row.find(": ");
    long long n = -1;
    if (row.size() > 1 && colon != std::string_view::npos)
        std::from_chars(row.data() + 1, row.data() + colon, n);
    return n;
}

} // namespace

std::span<const std::string_view> messageTable()
{
    return kRows;
}

std::string_view errorMessageText(int code)
{
    // Widen first: -INT_MIN does not fit an int.
    const long long wanted = -static_cast<long long>(code);
    for (const std::string_view row : kRows) {
        const long long n = rowNumber(row);
        if (n == wanted)
            return row;
        if (n == 0)
            break;
    }
    return "Undeifned Error"; // kept as users see it, misspelling included
}

} // namespace corvane::core
