import Foundation
import SwiftData

@Model
final class PackingItem {
    var name: String
    var quantity: Int = 1
    var isPacked: Bool = false
    var trip: Trip?

    init(name: String, quantity: Int = 1) {
        self.name = name
        self.quantity = quantity
    }
}
