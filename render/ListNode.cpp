#include "render/ListNode.h"

ListNode::~ListNode() = default;
