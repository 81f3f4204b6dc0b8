// The entries of the data module's message table msgPadrao.
#ifndef CONTA_FRAME_MESSAGE_TABLE_H_
#define CONTA_FRAME_MESSAGE_TABLE_H_

#include <string>
#include <vector>

namespace Srv_Xol41260 {

std::vector<std::string> mensagensPadrao();

}  // namespace Srv_Xol41260

#endif  // CONTA_FRAME_MESSAGE_TABLE_H_
