#include "order/order.h"
namespace zrv::order {
int order_nd(const Graph& g, const NdControl& ctl, int32_t* perm, NdInfo* info) {
  AmdControl a;
  if (info) *info = NdInfo{};
  return order_amd(g, nullptr, a, perm, nullptr);
}
int order_compress(const Graph& g, Graph& cg, std::vector<int32_t>& rep, std::vector<int32_t>& weight) { return 0; }
}
