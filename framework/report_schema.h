// The self-discovery report's names, written once: the report writer builds
// the document from them and the fleet module reads it back by them. Only
// names live here, no types, so that any reader may include it alone.
//
// The document (docs/report.md has it in full):
//
//   <tarvo_rom_discovery version="2.0.0.0">
//     <type/> <alt_name/> <version/> <takes_effect/>     each with value=""
//     <devices>
//       <device>                                          one per catalogued adapter
//         <device_id/> <product_id/> <busnumber/> <funcnumber/>
//         <fw_item>                                       one per firmware part
//           <type/> <firmware_id/> <version/> <active_version/>
//           <action/> <duration/> <message/> <shared/>
//
// Empty by design: every one of these is written, always with value="".
// - alt_name, version, takes_effect (header): the report format has room for
//   an alternate name, a package version and when an update takes effect,
//   but nothing the component reads supplies them: the catalogue lists
//   devices and versions only, and when new firmware takes effect is the
//   flash engine's to say (a reboot), not the report's.
// - busnumber, funcnumber (device): the adapter record the components match
//   on carries the PCI identity, not the location, and the Emulex kit's
//   query line names no location at all; a device is identified by its
//   device_id.
// - firmware_id (item): no vendor tool reports an identifier for a firmware
//   part apart from its type.
// - message (item): the component says what it did on the console and in
//   the log; an item carries no message of its own.
#pragma once

namespace reportSchema {

constexpr char kRoot[] = "tarvo_rom_discovery";
constexpr char kRootVersion[] = "version";  // the root's attribute
constexpr char kFormatVersion[] = "2.0.0.0";
// Every element but the root, devices, device and fw_item is empty and
// carries its text in this attribute.
constexpr char kValue[] = "value";

// The header, in document order.
constexpr char kType[] = "type";
constexpr char kAltName[] = "alt_name";
constexpr char kVersion[] = "version";
constexpr char kTakesEffect[] = "takes_effect";

constexpr char kDevices[] = "devices";
constexpr char kDevice[] = "device";

// A device's own elements, in document order, before its items.
constexpr char kDeviceId[] = "device_id";
constexpr char kProductId[] = "product_id";
constexpr char kBusNumber[] = "busnumber";
constexpr char kFuncNumber[] = "funcnumber";

constexpr char kFwItem[] = "fw_item";

// An item's eight elements, in document order; "type" and "version" are the
// header's names again, inside fw_item.
constexpr char kItemType[] = "type";
constexpr char kFirmwareId[] = "firmware_id";
constexpr char kItemVersion[] = "version";
constexpr char kActiveVersion[] = "active_version";
constexpr char kAction[] = "action";
constexpr char kDuration[] = "duration";
constexpr char kMessage[] = "message";
constexpr char kShared[] = "shared";

}  // namespace reportSchema
