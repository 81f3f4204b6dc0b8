// The JSON form of a data packet, for the command line and for hosts that
// prefer JSON to the binary packet:
//   {"fields":[{"name":..,"type":..,"width":..,"fieldtype":..},..],
//    "rows":[[..],..], "params":{..}}
// "fieldtype" names the exact field type as XML does; without it "type"
// (string, integer, float, boolean, datetime, bytes) gives one.
#ifndef CONTA_PLATFORM_PACKET_JSON_FORMAT_H_
#define CONTA_PLATFORM_PACKET_JSON_FORMAT_H_

#include <nlohmann/json.hpp>

namespace conta::json_packet {

// An object's keys come out in the order they were set ("name", "type",
// "width"...), so that what is written is stable.
using Json = nlohmann::ordered_json;

}  // namespace conta::json_packet

#endif  // CONTA_PLATFORM_PACKET_JSON_FORMAT_H_
