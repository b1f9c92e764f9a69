#pragma once
// The multimedia mixer calls, as controls bind them from "winmm.dll" through
// platform::Declared, with the records byte for byte as the platform lays them
// out: little-endian, no padding, 8-bit text, and memory-block addresses (see
// runtime/kernel32/block_table.h) in 32-bit fields where the platform has
// pointers. The records themselves are passed by real pointer.
//
// Mixer device 0 is the sound server's default output (or the device chosen by
// KV_MIXER_DEVICE, see runtime/winmm/device_selection.h). Its wave-output source
// line offers one peak meter, a signed meter from -32768 to 32767.
#include "runtime/platform/export.h"
#include <cstddef>
#include <cstdint>

// ---- Result codes ---------------------------------------------------------
inline constexpr uint32_t MMSYSERR_BASE = 0;
inline constexpr uint32_t MMSYSERR_NOERROR = 0;
inline constexpr uint32_t MMSYSERR_ERROR = 1;
inline constexpr uint32_t MMSYSERR_BADDEVICEID = 2;
inline constexpr uint32_t MMSYSERR_NOTENABLED = 3;
inline constexpr uint32_t MMSYSERR_ALLOCATED = 4;
inline constexpr uint32_t MMSYSERR_INVALHANDLE = 5;
inline constexpr uint32_t MMSYSERR_NODRIVER = 6;
inline constexpr uint32_t MMSYSERR_NOMEM = 7;
inline constexpr uint32_t MMSYSERR_NOTSUPPORTED = 8;
inline constexpr uint32_t MMSYSERR_BADERRNUM = 9;
inline constexpr uint32_t MMSYSERR_INVALFLAG = 10;
inline constexpr uint32_t MMSYSERR_INVALPARAM = 11;
inline constexpr uint32_t MMSYSERR_HANDLEBUSY = 12;
inline constexpr uint32_t MMSYSERR_LASTERROR = 21;

inline constexpr uint32_t MIXERR_BASE = 1024;
inline constexpr uint32_t MIXERR_INVALLINE = MIXERR_BASE + 0;
inline constexpr uint32_t MIXERR_INVALCONTROL = MIXERR_BASE + 1;
inline constexpr uint32_t MIXERR_INVALVALUE = MIXERR_BASE + 2;
inline constexpr uint32_t MIXERR_LASTERROR = MIXERR_BASE + 2;

// ---- Text and name lengths -------------------------------------------------
inline constexpr size_t MAXPNAMELEN = 32;
inline constexpr size_t MIXER_SHORT_NAME_CHARS = 16;
inline constexpr size_t MIXER_LONG_NAME_CHARS = 64;

// ---- Object types (the high bits of the flags of every mixer call) --------
inline constexpr uint32_t MIXER_OBJECTF_HANDLE = 0x80000000;
inline constexpr uint32_t MIXER_OBJECTF_MIXER = 0x00000000;
inline constexpr uint32_t MIXER_OBJECTF_HMIXER = MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_MIXER;
inline constexpr uint32_t MIXER_OBJECTF_WAVEOUT = 0x10000000;
inline constexpr uint32_t MIXER_OBJECTF_HWAVEOUT = MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_WAVEOUT;
inline constexpr uint32_t MIXER_OBJECTF_WAVEIN = 0x20000000;
inline constexpr uint32_t MIXER_OBJECTF_HWAVEIN = MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_WAVEIN;
inline constexpr uint32_t MIXER_OBJECTF_MIDIOUT = 0x30000000;
inline constexpr uint32_t MIXER_OBJECTF_HMIDIOUT = MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_MIDIOUT;
inline constexpr uint32_t MIXER_OBJECTF_MIDIIN = 0x40000000;
inline constexpr uint32_t MIXER_OBJECTF_HMIDIIN = MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_MIDIIN;
inline constexpr uint32_t MIXER_OBJECTF_AUX = 0x50000000;

inline constexpr uint32_t WAVE_MAPPER = 0xFFFFFFFF;

// Callback kinds of mixerOpen. Only CALLBACK_NULL is accepted: this mixer
// sends no change notifications, and accepting a window would promise them.
inline constexpr uint32_t CALLBACK_TYPEMASK = 0x00070000;
inline constexpr uint32_t CALLBACK_NULL = 0x00000000;
inline constexpr uint32_t CALLBACK_WINDOW = 0x00010000;
inline constexpr uint32_t CALLBACK_TASK = 0x00020000;
inline constexpr uint32_t CALLBACK_FUNCTION = 0x00030000;
inline constexpr uint32_t CALLBACK_THREAD = CALLBACK_TASK;
inline constexpr uint32_t CALLBACK_EVENT = 0x00050000;

// ---- Lines -----------------------------------------------------------------
inline constexpr uint32_t MIXERLINE_LINEF_ACTIVE = 0x00000001;
inline constexpr uint32_t MIXERLINE_LINEF_DISCONNECTED = 0x00008000;
inline constexpr uint32_t MIXERLINE_LINEF_SOURCE = 0x80000000;

inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_FIRST = 0x00000000;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_UNDEFINED = 0x00000000;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_DIGITAL = 0x00000001;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_LINE = 0x00000002;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_MONITOR = 0x00000003;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_SPEAKERS = 0x00000004;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_HEADPHONES = 0x00000005;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_TELEPHONE = 0x00000006;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_WAVEIN = 0x00000007;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_VOICEIN = 0x00000008;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_DST_LAST = 0x00000008;

inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_FIRST = 0x00001000;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED = 0x00001000;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_DIGITAL = 0x00001001;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_LINE = 0x00001002;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE = 0x00001003;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER = 0x00001004;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC = 0x00001005;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_TELEPHONE = 0x00001006;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER = 0x00001007;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT = 0x00001008;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY = 0x00001009;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_ANALOG = 0x0000100A;
inline constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_LAST = 0x0000100A;

inline constexpr uint32_t MIXERLINE_TARGETTYPE_UNDEFINED = 0;
inline constexpr uint32_t MIXERLINE_TARGETTYPE_WAVEOUT = 1;
inline constexpr uint32_t MIXERLINE_TARGETTYPE_WAVEIN = 2;
inline constexpr uint32_t MIXERLINE_TARGETTYPE_MIDIOUT = 3;
inline constexpr uint32_t MIXERLINE_TARGETTYPE_MIDIIN = 4;
inline constexpr uint32_t MIXERLINE_TARGETTYPE_AUX = 5;

inline constexpr uint32_t MIXER_GETLINEINFOF_DESTINATION = 0x00000000;
inline constexpr uint32_t MIXER_GETLINEINFOF_SOURCE = 0x00000001;
inline constexpr uint32_t MIXER_GETLINEINFOF_LINEID = 0x00000002;
inline constexpr uint32_t MIXER_GETLINEINFOF_COMPONENTTYPE = 0x00000003;
inline constexpr uint32_t MIXER_GETLINEINFOF_TARGETTYPE = 0x00000004;
inline constexpr uint32_t MIXER_GETLINEINFOF_QUERYMASK = 0x0000000F;

// ---- Controls --------------------------------------------------------------
inline constexpr uint32_t MIXERCONTROL_CONTROLF_UNIFORM = 0x00000001;
inline constexpr uint32_t MIXERCONTROL_CONTROLF_MULTIPLE = 0x00000002;
inline constexpr uint32_t MIXERCONTROL_CONTROLF_DISABLED = 0x80000000;

inline constexpr uint32_t MIXERCONTROL_CT_CLASS_MASK = 0xF0000000;
inline constexpr uint32_t MIXERCONTROL_CT_CLASS_CUSTOM = 0x00000000;
inline constexpr uint32_t MIXERCONTROL_CT_CLASS_METER = 0x10000000;
inline constexpr uint32_t MIXERCONTROL_CT_CLASS_SWITCH = 0x20000000;
inline constexpr uint32_t MIXERCONTROL_CT_CLASS_NUMBER = 0x30000000;
inline constexpr uint32_t MIXERCONTROL_CT_CLASS_SLIDER = 0x40000000;
inline constexpr uint32_t MIXERCONTROL_CT_CLASS_FADER = 0x50000000;
inline constexpr uint32_t MIXERCONTROL_CT_CLASS_TIME = 0x60000000;
inline constexpr uint32_t MIXERCONTROL_CT_CLASS_LIST = 0x70000000;

inline constexpr uint32_t MIXERCONTROL_CT_SUBCLASS_MASK = 0x0F000000;
inline constexpr uint32_t MIXERCONTROL_CT_SC_SWITCH_BOOLEAN = 0x00000000;
inline constexpr uint32_t MIXERCONTROL_CT_SC_SWITCH_BUTTON = 0x01000000;
inline constexpr uint32_t MIXERCONTROL_CT_SC_METER_POLLED = 0x00000000;
inline constexpr uint32_t MIXERCONTROL_CT_SC_TIME_MICROSECS = 0x00000000;
inline constexpr uint32_t MIXERCONTROL_CT_SC_TIME_MILLISECS = 0x01000000;
inline constexpr uint32_t MIXERCONTROL_CT_SC_LIST_SINGLE = 0x00000000;
inline constexpr uint32_t MIXERCONTROL_CT_SC_LIST_MULTIPLE = 0x01000000;

inline constexpr uint32_t MIXERCONTROL_CT_UNITS_MASK = 0x00FF0000;
inline constexpr uint32_t MIXERCONTROL_CT_UNITS_CUSTOM = 0x00000000;
inline constexpr uint32_t MIXERCONTROL_CT_UNITS_BOOLEAN = 0x00010000;
inline constexpr uint32_t MIXERCONTROL_CT_UNITS_SIGNED = 0x00020000;
inline constexpr uint32_t MIXERCONTROL_CT_UNITS_UNSIGNED = 0x00030000;
inline constexpr uint32_t MIXERCONTROL_CT_UNITS_DECIBELS = 0x00040000;
inline constexpr uint32_t MIXERCONTROL_CT_UNITS_PERCENT = 0x00050000;

inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_CUSTOM = 0x00000000;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_BOOLEANMETER = 0x10010000;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_SIGNEDMETER = 0x10020000;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_PEAKMETER = 0x10020001;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_UNSIGNEDMETER = 0x10030000;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_BOOLEAN = 0x20010000;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_ONOFF = 0x20010001;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MUTE = 0x20010002;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MONO = 0x20010003;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_LOUDNESS = 0x20010004;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_STEREOENH = 0x20010005;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_BUTTON = 0x21010000;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_DECIBELS = 0x30040000;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_SIGNED = 0x30020000;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_UNSIGNED = 0x30030000;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_PERCENT = 0x30050000;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_SLIDER = 0x40020000;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_PAN = 0x40020001;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_QSOUNDPAN = 0x40020002;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_FADER = 0x50030000;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_BASS = 0x50030002;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_TREBLE = 0x50030003;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_EQUALIZER = 0x50030004;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_SINGLESELECT = 0x70010000;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MUX = 0x70010001;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT = 0x71010000;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MIXER = 0x71010001;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MICROTIME = 0x60030000;
inline constexpr uint32_t MIXERCONTROL_CONTROLTYPE_MILLITIME = 0x61030000;

inline constexpr uint32_t MIXER_GETLINECONTROLSF_ALL = 0x00000000;
inline constexpr uint32_t MIXER_GETLINECONTROLSF_ONEBYID = 0x00000001;
inline constexpr uint32_t MIXER_GETLINECONTROLSF_ONEBYTYPE = 0x00000002;
inline constexpr uint32_t MIXER_GETLINECONTROLSF_QUERYMASK = 0x0000000F;

inline constexpr uint32_t MIXER_GETCONTROLDETAILSF_VALUE = 0x00000000;
inline constexpr uint32_t MIXER_GETCONTROLDETAILSF_LISTTEXT = 0x00000001;
inline constexpr uint32_t MIXER_GETCONTROLDETAILSF_QUERYMASK = 0x0000000F;

// ---- Records ---------------------------------------------------------------

// A line of the mixer: a destination (speakers) or a source feeding it (wave).
struct MIXERLINEA {
  uint32_t cbStruct;         // 168
  uint32_t dwDestination;
  uint32_t dwSource;
  uint32_t dwLineID;
  uint32_t fdwLine;
  uint32_t dwUser;
  uint32_t dwComponentType;
  uint32_t cChannels;
  uint32_t cConnections;
  uint32_t cControls;
  char szShortName[MIXER_SHORT_NAME_CHARS];
  char szName[MIXER_LONG_NAME_CHARS];
  struct {
    uint32_t dwType;
    uint32_t dwDeviceID;
    uint16_t wMid;
    uint16_t wPid;
    uint32_t vDriverVersion;
    char szPname[MAXPNAMELEN];
  } Target;
};

// Request of mixerGetLineControlsA. `pamxctrl` is the block address of
// `cControls` control records of `cbmxctrl` bytes each.
struct MIXERLINECONTROLSA {
  uint32_t cbStruct;  // 24
  uint32_t dwLineID;
  union {
    uint32_t dwControlID;
    uint32_t dwControlType;
  };
  uint32_t cControls;
  uint32_t cbmxctrl;
  uint32_t pamxctrl;  // block address
};

// The platform's published control record, 148 bytes. The mixer writes this
// many bytes per control, whatever stride `cbmxctrl` asks for.
struct MIXERCONTROLA {
  uint32_t cbStruct;  // 148
  uint32_t dwControlID;
  uint32_t dwControlType;
  uint32_t fdwControl;
  uint32_t cMultipleItems;
  char szShortName[MIXER_SHORT_NAME_CHARS];
  char szName[MIXER_LONG_NAME_CHARS];
  union {
    struct {
      int32_t lMinimum;
      int32_t lMaximum;
    };
    struct {
      uint32_t dwMinimum;
      uint32_t dwMaximum;
    };
    uint32_t dwReserved[6];
  } Bounds;
  union {
    uint32_t cSteps;
    uint32_t cbCustomData;
    uint32_t dwReserved[6];
  } Metrics;
};

// The control record as the meter control declares it: the 148-byte record
// with its bounds flattened, followed by 4 more reserved bytes (152 in all).
// Requests announce 152 bytes per record; the mixer fills the first 148 and
// leaves the tail as it found it.
struct MIXERCONTROL {
  uint32_t cbStruct;
  uint32_t dwControlID;
  uint32_t dwControlType;
  uint32_t fdwControl;
  uint32_t cMultipleItems;
  char szShortName[MIXER_SHORT_NAME_CHARS];
  char szName[MIXER_LONG_NAME_CHARS];
  int32_t lMinimum;
  int32_t lMaximum;
  uint32_t reserved[11];
};

// Request of mixerGetControlDetailsA. `paDetails` is the block address of
// cChannels (times cMultipleItems, for multiple-item controls) value records
// of `cbDetails` bytes each.
struct MIXERCONTROLDETAILS {
  uint32_t cbStruct;  // 24
  uint32_t dwControlID;
  uint32_t cChannels;
  union {
    uint32_t hwndOwner;
    uint32_t cMultipleItems;
  };
  uint32_t cbDetails;
  uint32_t paDetails;  // block address
};

struct MIXERCONTROLDETAILS_SIGNED {
  int32_t lValue;
};
struct MIXERCONTROLDETAILS_UNSIGNED {
  uint32_t dwValue;
};
struct MIXERCONTROLDETAILS_BOOLEAN {
  int32_t fValue;
};

// The records cross the boundary as raw bytes; their layout is the contract.
static_assert(sizeof(MIXERLINEA) == 168);
static_assert(offsetof(MIXERLINEA, cbStruct) == 0);
static_assert(offsetof(MIXERLINEA, dwDestination) == 4);
static_assert(offsetof(MIXERLINEA, dwSource) == 8);
static_assert(offsetof(MIXERLINEA, dwLineID) == 12);
static_assert(offsetof(MIXERLINEA, fdwLine) == 16);
static_assert(offsetof(MIXERLINEA, dwUser) == 20);
static_assert(offsetof(MIXERLINEA, dwComponentType) == 24);
static_assert(offsetof(MIXERLINEA, cChannels) == 28);
static_assert(offsetof(MIXERLINEA, cConnections) == 32);
static_assert(offsetof(MIXERLINEA, cControls) == 36);
static_assert(offsetof(MIXERLINEA, szShortName) == 40);
static_assert(offsetof(MIXERLINEA, szName) == 56);
static_assert(offsetof(MIXERLINEA, Target.dwType) == 120);
static_assert(offsetof(MIXERLINEA, Target.dwDeviceID) == 124);
static_assert(offsetof(MIXERLINEA, Target.wMid) == 128);
static_assert(offsetof(MIXERLINEA, Target.wPid) == 130);
static_assert(offsetof(MIXERLINEA, Target.vDriverVersion) == 132);
static_assert(offsetof(MIXERLINEA, Target.szPname) == 136);

static_assert(sizeof(MIXERLINECONTROLSA) == 24);
static_assert(offsetof(MIXERLINECONTROLSA, cbStruct) == 0);
static_assert(offsetof(MIXERLINECONTROLSA, dwLineID) == 4);
static_assert(offsetof(MIXERLINECONTROLSA, dwControlID) == 8);
static_assert(offsetof(MIXERLINECONTROLSA, dwControlType) == 8);
static_assert(offsetof(MIXERLINECONTROLSA, cControls) == 12);
static_assert(offsetof(MIXERLINECONTROLSA, cbmxctrl) == 16);
static_assert(offsetof(MIXERLINECONTROLSA, pamxctrl) == 20);

static_assert(sizeof(MIXERCONTROLA) == 148);
static_assert(offsetof(MIXERCONTROLA, cbStruct) == 0);
static_assert(offsetof(MIXERCONTROLA, dwControlID) == 4);
static_assert(offsetof(MIXERCONTROLA, dwControlType) == 8);
static_assert(offsetof(MIXERCONTROLA, fdwControl) == 12);
static_assert(offsetof(MIXERCONTROLA, cMultipleItems) == 16);
static_assert(offsetof(MIXERCONTROLA, szShortName) == 20);
static_assert(offsetof(MIXERCONTROLA, szName) == 36);
static_assert(offsetof(MIXERCONTROLA, Bounds.lMinimum) == 100);
static_assert(offsetof(MIXERCONTROLA, Bounds.lMaximum) == 104);
static_assert(offsetof(MIXERCONTROLA, Metrics) == 124);

static_assert(sizeof(MIXERCONTROL) == 152);
static_assert(offsetof(MIXERCONTROL, cbStruct) == 0);
static_assert(offsetof(MIXERCONTROL, dwControlID) == 4);
static_assert(offsetof(MIXERCONTROL, dwControlType) == 8);
static_assert(offsetof(MIXERCONTROL, fdwControl) == 12);
static_assert(offsetof(MIXERCONTROL, cMultipleItems) == 16);
static_assert(offsetof(MIXERCONTROL, szShortName) == 20);
static_assert(offsetof(MIXERCONTROL, szName) == 36);
static_assert(offsetof(MIXERCONTROL, lMinimum) == 100);
static_assert(offsetof(MIXERCONTROL, lMaximum) == 104);
static_assert(offsetof(MIXERCONTROL, reserved) == 108);

static_assert(sizeof(MIXERCONTROLDETAILS) == 24);
static_assert(offsetof(MIXERCONTROLDETAILS, cbStruct) == 0);
static_assert(offsetof(MIXERCONTROLDETAILS, dwControlID) == 4);
static_assert(offsetof(MIXERCONTROLDETAILS, cChannels) == 8);
static_assert(offsetof(MIXERCONTROLDETAILS, cMultipleItems) == 12);
static_assert(offsetof(MIXERCONTROLDETAILS, cbDetails) == 16);
static_assert(offsetof(MIXERCONTROLDETAILS, paDetails) == 20);

static_assert(sizeof(MIXERCONTROLDETAILS_SIGNED) == 4);

// ---- Calls -----------------------------------------------------------------
// Each returns MMSYSERR_NOERROR or a failure code; none raises. Every call
// returns at once on the caller's thread, except that mixerOpen may wait a
// bounded time (under two seconds) for the first connection to the server.
//
// `hmxobj` with object type MIXER_OBJECTF_MIXER (0) is a device number or an
// open mixer handle (handles never collide with device numbers);
// MIXER_OBJECTF_HMIXER requires a handle; MIXER_OBJECTF_WAVEOUT accepts
// wave-output device 0 or WAVE_MAPPER, which feed mixer device 0.

// Opens mixer device `uMxId`; `fdwOpen` takes an object type as above and
// CALLBACK_NULL. On success *phmx holds a handle that stays valid until
// mixerClose.
KVQMXTMR_EXPORT uint32_t mixerOpen(uint32_t* phmx, uint32_t uMxId, uint32_t dwCallback, uint32_t dwInstance,
                   uint32_t fdwOpen);
KVQMXTMR_EXPORT uint32_t mixerClose(uint32_t hmx);
KVQMXTMR_EXPORT uint32_t mixerGetLineInfoA(uint32_t hmxobj, MIXERLINEA* pmxl, uint32_t fdwInfo);
KVQMXTMR_EXPORT uint32_t mixerGetLineControlsA(uint32_t hmxobj, MIXERLINECONTROLSA* pmxlc, uint32_t fdwControls);
KVQMXTMR_EXPORT uint32_t mixerGetControlDetailsA(uint32_t hmxobj, MIXERCONTROLDETAILS* pmxcd, uint32_t fdwDetails);
