// The link that panels and panel lists share: a node of a doubly linked, index-keyed list.
#pragma once

class PanelList;

class ListNode {
public:
  ListNode() = default;
  ListNode(const ListNode &) = delete;
  ListNode &operator=(const ListNode &) = delete;
  virtual ~ListNode();

  ListNode *next = nullptr;     // following node in the owning list; null for the last
  ListNode *previous = nullptr; // preceding node; null for the first
  PanelList *owner = nullptr;   // the list that holds the node; null when in none
  int index = 0;                // key of the node in its list
};
